#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "keyloom/formfile/document.hpp"

namespace keyloom::formfile {
namespace {

using ::testing::HasSubstr;

TDocument Parse(std::string Text, std::string FileName = "form.dfm") {
  return TDocument::Parse(std::move(Text), std::move(FileName));
}

TValue& ValueOf(TObjectNode& Node, std::string_view Name) {
  TProperty* Property = Node.FindProperty(Name);
  if (Property == nullptr) throw std::runtime_error("no property " + std::string(Name));
  return Property->FValue;
}

// Renders, checks that the result reads back, and returns it.
std::string RenderAndReparse(const TDocument& Doc) {
  std::string Text = Doc.Render();
  EXPECT_NO_THROW(TDocument::Parse(Text, Doc.FileName())) << Text;
  return Text;
}

std::string ReadBackString(const std::string& Text, std::string_view Property) {
  TDocument Doc = TDocument::Parse(Text);
  return *ValueOf(Doc.Root(), Property).String();
}

// ---------------------------------------------------------------------------
// String edits on one-line values: only the edited bytes change, in the
// conventions of the token and of the file

struct TCaptionCase {
  const char* FName;
  std::string FFileName;
  std::string FBefore;  // the whole value as written
  std::string FNewValue;
  std::string FAfter;   // the value as it must be written
  std::string FOther = "'plain'";  // another property of the file
};

class CaptionEditTest : public ::testing::TestWithParam<TCaptionCase> {};

TEST_P(CaptionEditTest, EncodesInTheFileStyle) {
  const TCaptionCase& Case = GetParam();
  const std::string Head = "object Form1: TForm1\r\n  Left = 0\r\n  Hint = " + Case.FOther + "\r\n  Caption = ";
  const std::string Tail = "\r\n  Top = 0\r\nend\r\n";
  TDocument Doc = Parse(Head + Case.FBefore + Tail, Case.FFileName);
  Doc.SetString(ValueOf(Doc.Root(), "Caption"), Case.FNewValue);
  const std::string Text = RenderAndReparse(Doc);
  EXPECT_EQ(Text, Head + Case.FAfter + Tail);
  EXPECT_EQ(ReadBackString(Text, "Caption"), Case.FNewValue);
  EXPECT_EQ(*ValueOf(Doc.Root(), "Caption").String(), Case.FNewValue);
  EXPECT_TRUE(Doc.Modified());
}

INSTANTIATE_TEST_SUITE_P(
    Styles, CaptionEditTest,
    ::testing::Values(
        // Delphi: #39 for the quote, codes for non-ASCII.
        TCaptionCase{"AmpersandBeforeCode39", "f.dfm", "'Mary'#39's Siblings'", "&Mary's Siblings",
                     "'&Mary'#39's Siblings'"},
        TCaptionCase{"AmpersandAfterCode39", "f.dfm", "'Mary'#39's Siblings'", "Mary's &Siblings",
                     "'Mary'#39's &Siblings'"},
        TCaptionCase{"NewQuoteFollowsToken", "f.lfm", "'Mary'#39's Siblings'", "Mary's 'Siblings'",
                     "'Mary'#39's '#39'Siblings'#39"},
        TCaptionCase{"AmpersandRemoved", "f.dfm", "'E&xit'", "Exit", "'Exit'"},
        TCaptionCase{"AmpersandBeforeCodes", "f.dfm", "#1042#1099#1073#1077' '#1092", "&\xD0\x92\xD1\x8B\xD0\xB1\xD0\xB5 \xD1\x84",
                     "'&'#1042#1099#1073#1077' '#1092"},
        TCaptionCase{"AmpersandBetweenCodes", "f.dfm", "#1042#1099#1073#1077' '#1092", "\xD0\x92\xD1\x8B\xD0\xB1\xD0\xB5 &\xD1\x84",
                     "#1042#1099#1073#1077' &'#1092"},
        TCaptionCase{"AmpersandInsideCodes", "f.dfm", "#1042#1099", "\xD0\x92&\xD1\x8B", "#1042'&'#1099"},
        TCaptionCase{"NewNonAsciiAsCode", "f.dfm", "'Conex'#227'o:'", "Conex\xC3\xB5" "es:", "'Conex'#245'es:'"},
        TCaptionCase{"AstralAsOneCode", "f.dfm", "'a'", "a\xF0\x9F\x98\x80", "'a'#128512"},
        TCaptionCase{"SingleCodeBecomesTwo", "f.dfm", "#9207", "&\xE2\x8F\xB7", "'&'#9207"},
        // Lazarus: '' for the quote, raw UTF-8.
        TCaptionCase{"DoubledQuoteKept", "f.lfm", "''''", "a'b", "'a''b'"},
        TCaptionCase{"RawUtf8Kept", "f.lfm", "'Informa\xC3\xA7\xC3\xA3o'", "&Informa\xC3\xA7\xC3\xA3o",
                     "'&Informa\xC3\xA7\xC3\xA3o'"},
        TCaptionCase{"NewNonAsciiRaw", "f.lfm", "'Informa\xC3\xA7\xC3\xA3o'", "Informa\xC3\xA7\xC3\xB5" "es",
                     "'Informa\xC3\xA7\xC3\xB5" "es'"},
        // No evidence in the token: the file decides, then its kind.
        TCaptionCase{"FileUsesDoubledQuotes", "f.dfm", "'x'", "x'y", "'x''y'", "'It''s'"},
        TCaptionCase{"FileUsesCode39", "f.lfm", "'x'", "x'y", "'x'#39'y'", "'It'#39's'"},
        TCaptionCase{"FileUsesRawUtf8", "f.dfm", "'x'", "x\xC3\xA9", "'x\xC3\xA9'", "'\xC3\xA9t\xC3\xA9'"},
        TCaptionCase{"FileUsesCodes", "f.lfm", "'x'", "x\xC3\xA9", "'x'#233", "#233't'#233"},
        TCaptionCase{"DfmDefaultsToDelphi", "f.dfm", "'x'", "x'\xC3\xA9", "'x'#39#233"},
        TCaptionCase{"LfmDefaultsToLazarus", "f.lfm", "'x'", "x'\xC3\xA9", "'x''\xC3\xA9'"},
        // ANSI bytes stay raw; new characters in an ANSI string become codes.
        TCaptionCase{"AnsiBytesKept", "f.dfm", "'Ordem de Produ\xE7\xE3o'", "Ordem de &Produ\xE7\xE3o",
                     "'Ordem de &Produ\xE7\xE3o'"},
        TCaptionCase{"UnicodeIntoAnsiString", "f.dfm", "'Produ\xE7\xE3o'", "Produ\xE7\xE3o \xC3\xA9",
                     "'Produ\xE7\xE3o '#233"},
        // Control characters are always codes.
        TCaptionCase{"ControlCharacters", "f.lfm", "'ab'", "a\tb\r\n", "'a'#9'b'#13#10"},
        TCaptionCase{"EmptyResult", "f.dfm", "'abc'", "", "''"},
        TCaptionCase{"FromEmpty", "f.dfm", "''", "&New", "'&New'"},
        TCaptionCase{"EmptyPieceKeptWhenUntouched", "f.dfm", "#13''#10'x'", "\r\n&x", "#13''#10'&x'"},
        TCaptionCase{"HexCodeSpellingKept", "f.dfm", "#$41'b'", "A&b", "#$41'&b'"}),
    [](const ::testing::TestParamInfo<TCaptionCase>& Info) { return Info.param.FName; });

// ---------------------------------------------------------------------------
// Long strings

const std::string kSplitDfm =
    "object Form1: TForm1\r\n"
    "  object Label1: TLabel\r\n"
    "    Caption = \r\n"
    "      'm is the size of the hash-table. If it is small enough searching' +\r\n"
    "      ' can be stopped.'\r\n"
    "    Tag = 1\r\n"
    "  end\r\n"
    "end\r\n";

TEST(WriterTest, ResplitsALongDelphiStringIntoChunksOf64) {
  TDocument Doc = Parse(kSplitDfm);
  TValue& Caption = ValueOf(*Doc.Root().FChildren[0], "Caption");
  Doc.SetString(Caption, "&" + *Caption.String());
  std::string Expected = kSplitDfm;
  Expected.replace(Expected.find("'m is"), std::string::npos,
                   "'&m is the size of the hash-table. If it is small enough searchin' +\r\n"
                   "      'g can be stopped.'\r\n"
                   "    Tag = 1\r\n"
                   "  end\r\n"
                   "end\r\n");
  EXPECT_EQ(RenderAndReparse(Doc), Expected);
}

TEST(WriterTest, JoinsASplitStringThatNowFitsOnTheLine) {
  TDocument Doc = Parse(kSplitDfm);
  Doc.SetString(ValueOf(*Doc.Root().FChildren[0], "Caption"), "&Short");
  std::string Text = RenderAndReparse(Doc);
  EXPECT_THAT(Text, HasSubstr("\r\n    Caption = '&Short'\r\n    Tag = 1\r\n"));
}

TEST(WriterTest, KeepsAnOlderWritersChunkLength) {
  const std::string Text =
      "object A: TA\n"
      "  ConnectionString = \n"
      "    'Provider=Microsoft.Jet.OLEDB.4.0;Data ' +\n"
      "    'Source=BaseTest.mdb;'\n"
      "end\n";
  TDocument Doc = Parse(Text);
  TValue& Value = ValueOf(Doc.Root(), "ConnectionString");
  Doc.SetString(Value, "X" + *Value.String());
  EXPECT_THAT(RenderAndReparse(Doc), HasSubstr("\n    'XProvider=Microsoft.Jet.OLEDB.4.0;Data' +\n    ' Source=BaseTest.mdb;'\n"));
}

TEST(WriterTest, SplitsAStringThatGrowsPastTheLimitInADelphiFile) {
  const std::string Text = "object A: TA\n  Caption = 'abc'\nend\n";
  const std::string Long = std::string(64, 'x') + "&yz";
  TDocument Doc = Parse(Text, "a.dfm");
  Doc.SetString(ValueOf(Doc.Root(), "Caption"), Long);
  EXPECT_EQ(RenderAndReparse(Doc), "object A: TA\n  Caption = \n    '" + std::string(64, 'x') + "' +\n    '&yz'\nend\n");
}

TEST(WriterTest, KeepsALongStringOnOneLineInALazarusFile) {
  const std::string Text = "object A: TA\n  Caption = 'abc'\nend\n";
  const std::string Long = std::string(70, 'x');
  TDocument Doc = Parse(Text, "a.lfm");
  Doc.SetString(ValueOf(Doc.Root(), "Caption"), Long);
  EXPECT_EQ(RenderAndReparse(Doc), "object A: TA\n  Caption = '" + Long + "'\nend\n");
}

TEST(WriterTest, LeavesAnUnsplitLongStringOnOneLine) {
  // The file splits, but this value was already long on one line.
  const std::string Long = std::string(70, 'x');
  const std::string Text = "object A: TA\n  Caption = '" + Long + "'\nend\n";
  TDocument Doc = Parse(Text, "a.dfm");
  Doc.SetString(ValueOf(Doc.Root(), "Caption"), "&" + Long);
  EXPECT_EQ(RenderAndReparse(Doc), "object A: TA\n  Caption = '&" + Long + "'\nend\n");
}

TEST(WriterTest, NewLinesUseTheFilesLineBreaks) {
  for (std::string Eol : {"\r\n", "\n", "\r"}) {
    SCOPED_TRACE(Eol == "\r" ? "CR" : Eol == "\n" ? "LF" : "CRLF");
    std::string Text = "object A: TA" + Eol + "  Caption = 'abc'" + Eol + "end" + Eol;
    TDocument Doc = Parse(Text, "a.dfm");
    Doc.SetString(ValueOf(Doc.Root(), "Caption"), std::string(65, 'y'));
    EXPECT_EQ(RenderAndReparse(Doc), "object A: TA" + Eol + "  Caption = " + Eol + "    '" + std::string(64, 'y') +
                                         "' +" + Eol + "    'y'" + Eol + "end" + Eol);
  }
}

// ---------------------------------------------------------------------------
// List elements

TEST(WriterTest, EditsOneStringOfAList) {
  const std::string Delphi =
      "object A: TA\r\n"
      "  Items.Strings = (\r\n"
      "    'woof'\r\n"
      "    'quack'\r\n"
      "    'meow')\r\n"
      "end\r\n";
  TDocument Doc = Parse(Delphi);
  TList& Items = *ValueOf(Doc.Root(), "Items.Strings").List();
  Doc.SetString(Items.FItems[2], "m&eow");
  Doc.SetString(Items.FItems[0], "&woof");
  std::string Expected = Delphi;
  Expected.replace(Expected.find("'meow'"), 6, "'m&eow'");
  Expected.replace(Expected.find("'woof'"), 6, "'&woof'");
  EXPECT_EQ(RenderAndReparse(Doc), Expected);

  const std::string Lazarus = "object A: TA\n  Items.Strings = (\n    'UNDEFINED'\n    'MERGE'\n  )\nend\n";
  TDocument Doc2 = Parse(Lazarus, "a.lfm");
  Doc2.SetString(ValueOf(Doc2.Root(), "Items.Strings").List()->FItems[1], "M&ERGE");
  EXPECT_EQ(RenderAndReparse(Doc2), "object A: TA\n  Items.Strings = (\n    'UNDEFINED'\n    'M&ERGE'\n  )\nend\n");
}

TEST(WriterTest, ResplitsAndJoinsASplitListElement) {
  // The Delphi writer puts a long item on a line of its own (notes, excerpt 37).
  const std::string Text =
      "object A: TA\n"
      "    SQL.Strings = (\n"
      "      'x'\n"
      "\n"
      "        'insert into \"Tree.dbf\" values(12, 11, '#39'black'#39', '#39'blackbs@chat.ru'#39 +\n"
      "        ');'\n"
      "      'y')\n"
      "end\n";
  TDocument Doc = Parse(Text);
  TValue& Item = ValueOf(Doc.Root(), "SQL.Strings").List()->FItems[1];
  const std::string Old = *Item.String();
  Doc.SetString(Item, "&" + Old);
  EXPECT_THAT(RenderAndReparse(Doc),
              HasSubstr("\n\n        '&insert into \"Tree.dbf\" values(12, 11, '#39'black'#39', '#39'blackbs@chat.ru' +\n"
                        "        #39');'\n      'y')"));
  // Short again: back on the item's own line, as the writer would put it.
  Doc.SetString(Item, "short");
  EXPECT_THAT(RenderAndReparse(Doc), HasSubstr("      'x'\n      'short'\n      'y')"));
}

// ---------------------------------------------------------------------------
// Repeated edits, identity

TEST(WriterTest, TheLastEditOfAValueWinsAndRevertingRestoresTheBytes) {
  const std::string Text = "object A: TA\n  Caption = 'E&xit'\n  Hint = 'h'\nend\n";
  TDocument Doc = Parse(Text);
  TValue& Caption = ValueOf(Doc.Root(), "Caption");
  Doc.SetString(Caption, "&Exit");
  Doc.SetString(Caption, "Ex&it");
  EXPECT_EQ(Doc.Render(), "object A: TA\n  Caption = 'Ex&it'\n  Hint = 'h'\nend\n");
  Doc.SetString(Caption, "E&xit");
  EXPECT_EQ(Doc.Render(), Text);
  EXPECT_FALSE(Doc.Modified());
}

TEST(WriterTest, RefusesWrongKinds) {
  TDocument Doc = Parse("object A: TA\n  Caption = 'x'\n  Align = alClient\n  Items = (\n    'a')\nend\n");
  EXPECT_THROW(Doc.SetString(ValueOf(Doc.Root(), "Align"), "y"), EFormFileError);
  EXPECT_THROW(Doc.SetIdent(ValueOf(Doc.Root(), "Caption"), "alNone"), EFormFileError);
  EXPECT_THROW(Doc.SetIdent(ValueOf(Doc.Root(), "Items"), "alNone"), EFormFileError);
  EXPECT_THROW(Doc.SetIdent(ValueOf(Doc.Root(), "Align"), "al None"), EFormFileError);
  EXPECT_THROW(Doc.SetIdent(ValueOf(Doc.Root(), "Align"), "1abc"), EFormFileError);
  TValue Foreign;
  EXPECT_THROW(Doc.SetString(Foreign, "x"), EFormFileError);
  EXPECT_FALSE(Doc.Modified());
}

// ---------------------------------------------------------------------------
// Identifiers, booleans, integers

TEST(WriterTest, ReplacesScalarValuesInPlace) {
  const std::string Text =
      "object Keyloom1: TKeyloom\r\n"
      "  SortMethod = smCaption\r\n"
      "  Active = True\r\n"
      "  Left = 10\r\n"
      "  Images = nil\r\n"
      "end\r\n";
  TDocument Doc = Parse(Text);
  Doc.SetIdent(ValueOf(Doc.Root(), "SortMethod"), "smUniqueLetters");
  Doc.SetBoolean(ValueOf(Doc.Root(), "Active"), false);
  Doc.SetInteger(ValueOf(Doc.Root(), "Left"), -5);
  Doc.SetIdent(ValueOf(Doc.Root(), "Images"), "MainForm.ImageList1");
  EXPECT_EQ(RenderAndReparse(Doc),
            "object Keyloom1: TKeyloom\r\n"
            "  SortMethod = smUniqueLetters\r\n"
            "  Active = False\r\n"
            "  Left = -5\r\n"
            "  Images = MainForm.ImageList1\r\n"
            "end\r\n");
  EXPECT_EQ(ValueOf(Doc.Root(), "SortMethod").Ident(), "smUniqueLetters");
  EXPECT_EQ(ValueOf(Doc.Root(), "Active").Kind(), TValueKind::Boolean);
  EXPECT_EQ(std::get<std::int64_t>(ValueOf(Doc.Root(), "Left").FData), -5);
  EXPECT_EQ(ValueOf(Doc.Root(), "Images").Ident(), "MainForm.ImageList1");
}

// ---------------------------------------------------------------------------
// Inserting and removing property lines

const std::string kForm =
    "object Form1: TForm1\r\n"
    "  Caption = 'Form'\r\n"
    "  object Button1: TButton\r\n"
    "    Caption = 'OK'\r\n"
    "  end\r\n"
    "  object Timer1: TTimer\r\n"
    "  end\r\n"
    "end\r\n";

TValue Ident(std::string_view Name) { return TValue{TIdent{Name}}; }

TEST(WriterTest, InsertsPropertiesBeforeChildrenAtTheRightIndent) {
  TDocument Doc = Parse(kForm);
  TObjectNode& Root = Doc.Root();
  Doc.InsertProperty(Root, "SortMethod", Ident("smCaption"));
  Doc.InsertProperty(*Root.FChildren[0], "Default", TValue{true});
  Doc.InsertProperty(*Root.FChildren[1], "Interval", TValue{std::int64_t{100}});
  EXPECT_EQ(RenderAndReparse(Doc),
            "object Form1: TForm1\r\n"
            "  Caption = 'Form'\r\n"
            "  SortMethod = smCaption\r\n"
            "  object Button1: TButton\r\n"
            "    Caption = 'OK'\r\n"
            "    Default = True\r\n"
            "  end\r\n"
            "  object Timer1: TTimer\r\n"
            "    Interval = 100\r\n"
            "  end\r\n"
            "end\r\n");
}

TEST(WriterTest, InsertedValuesFollowTheWriterStyle) {
  TList Lines;
  Lines.FItems.push_back(TValue{std::string("a'b")});
  Lines.FItems.push_back(TValue{std::string("\xC3\xA9")});
  const TValue LinesValue{Lines};
  const TValue LongValue{std::string(70, 'z')};

  TDocument Delphi = Parse("object A: TA\n  Left = 1\nend\n", "a.dfm");
  Delphi.InsertProperty(Delphi.Root(), "Lines.Strings", LinesValue);
  Delphi.InsertProperty(Delphi.Root(), "Hint", LongValue);
  Delphi.InsertProperty(Delphi.Root(), "Anchors", TValue{TSet{{"akLeft", "akTop"}}});
  EXPECT_EQ(RenderAndReparse(Delphi),
            "object A: TA\n"
            "  Left = 1\n"
            "  Lines.Strings = (\n"
            "    'a'#39'b'\n"
            "    #233)\n"
            "  Hint = \n"
            "    '" + std::string(64, 'z') + "' +\n"
            "    'zzzzzz'\n"
            "  Anchors = [akLeft, akTop]\n"
            "end\n");

  TDocument Lazarus = Parse("object A: TA\n  Left = 1\nend\n", "a.lfm");
  Lazarus.InsertProperty(Lazarus.Root(), "Lines.Strings", LinesValue);
  Lazarus.InsertProperty(Lazarus.Root(), "Hint", LongValue);
  Lazarus.InsertProperty(Lazarus.Root(), "Empty.Strings", TValue{TList{}});
  EXPECT_EQ(RenderAndReparse(Lazarus),
            "object A: TA\n"
            "  Left = 1\n"
            "  Lines.Strings = (\n"
            "    'a''b'\n"
            "    '\xC3\xA9'\n"
            "  )\n"
            "  Hint = '" + std::string(70, 'z') + "'\n"
            "  Empty.Strings = (  )\n"
            "end\n");
}

TEST(WriterTest, InsertsCollectionsAndBinaryInTheFileLayout) {
  TCollection Columns;
  TCollectionItem& Item = Columns.FItems.emplace_back();
  TProperty& Width = Item.FProperties.emplace_back();
  Width.FName = "Width";
  Width.FValue = TValue{std::int64_t{5}};
  Columns.FItems.push_back(Item);
  const TValue ColumnsValue{Columns};
  const TValue Data{TBinary{std::string(33, '\x01')}};
  std::string HexLine;
  for (int I = 0; I < 32; ++I) HexLine += "01";

  TDocument Lazarus = Parse("object A: TA\n  Left = 1\nend\n", "a.lfm");
  Lazarus.InsertProperty(Lazarus.Root(), "Columns", ColumnsValue);
  Lazarus.InsertProperty(Lazarus.Root(), "Data", Data);
  EXPECT_EQ(RenderAndReparse(Lazarus),
            "object A: TA\n"
            "  Left = 1\n"
            "  Columns = <  \n"
            "    item\n"
            "      Width = 5\n"
            "    end  \n"
            "    item\n"
            "      Width = 5\n"
            "    end>\n"
            "  Data = {\n"
            "    " + HexLine + "\n"
            "    01\n"
            "  }\n"
            "end\n");

  TDocument Delphi = Parse("object A: TA\n  Left = 1\nend\n", "a.dfm");
  Delphi.InsertProperty(Delphi.Root(), "Columns", ColumnsValue);
  EXPECT_EQ(RenderAndReparse(Delphi),
            "object A: TA\n  Left = 1\n  Columns = <\n    item\n      Width = 5\n    end\n    item\n      Width = 5\n    end>\nend\n");
}

TEST(WriterTest, RefusesDuplicateAndInvalidPropertyNames) {
  TDocument Doc = Parse(kForm);
  EXPECT_THROW(Doc.InsertProperty(Doc.Root(), "caption", TValue{std::string("x")}), EFormFileError);
  EXPECT_THROW(Doc.InsertProperty(Doc.Root(), "Bad Name", TValue{std::string("x")}), EFormFileError);
  EXPECT_THROW(Doc.InsertProperty(Doc.Root(), "Font.", TValue{std::string("x")}), EFormFileError);
  EXPECT_THROW(Doc.InsertProperty(Doc.Root(), "Align", Ident("not valid")), EFormFileError);
  EXPECT_FALSE(Doc.Modified());
}

TEST(WriterTest, RemovesPropertyLines) {
  TDocument Doc = Parse(kForm);
  TProperty& Caption = *Doc.Root().FChildren[0]->FindProperty("Caption");
  Doc.RemoveProperty(Caption);
  EXPECT_TRUE(Caption.FRemoved);
  EXPECT_EQ(Doc.Root().FChildren[0]->FindProperty("Caption"), nullptr);
  EXPECT_THROW(Doc.SetString(Caption.FValue, "x"), EFormFileError);
  EXPECT_THROW(Doc.RemoveProperty(Caption), EFormFileError);
  // Inserting after a removed last property lands where it stood.
  Doc.InsertProperty(*Doc.Root().FChildren[0], "Caption", TValue{std::string("&OK")});
  EXPECT_EQ(RenderAndReparse(Doc),
            "object Form1: TForm1\r\n"
            "  Caption = 'Form'\r\n"
            "  object Button1: TButton\r\n"
            "    Caption = '&OK'\r\n"
            "  end\r\n"
            "  object Timer1: TTimer\r\n"
            "  end\r\n"
            "end\r\n");
}

TEST(WriterTest, RemovesASplitPropertyWholly) {
  TDocument Doc = Parse(kSplitDfm);
  Doc.RemoveProperty(*Doc.Root().FChildren[0]->FindProperty("Caption"));
  EXPECT_EQ(RenderAndReparse(Doc), "object Form1: TForm1\r\n  object Label1: TLabel\r\n    Tag = 1\r\n  end\r\nend\r\n");
}

// ---------------------------------------------------------------------------
// Inserting and removing object blocks

TEST(WriterTest, InsertsAnObjectAfterTheLastChild) {
  TDocument Doc = Parse(kForm);
  TNewObject Keyloom;
  Keyloom.FName = "Keyloom1";
  Keyloom.FClassName = "TKeyloom";
  Keyloom.FProperties.emplace_back("SortMethod", Ident("smCaption"));
  Keyloom.FProperties.emplace_back("Caption", TValue{std::string("It's")});
  Doc.InsertObject(Doc.Root(), Keyloom);
  TNewObject Item;
  Item.FClassName = "TMenuItem";
  TNewObject Menu;
  Menu.FName = "Menu1";
  Menu.FClassName = "TMainMenu";
  Menu.FIndex = 2;
  Menu.FChildren.push_back(Item);
  Doc.InsertObject(*Doc.Root().FChildren[1], Menu);
  EXPECT_EQ(RenderAndReparse(Doc),
            "object Form1: TForm1\r\n"
            "  Caption = 'Form'\r\n"
            "  object Button1: TButton\r\n"
            "    Caption = 'OK'\r\n"
            "  end\r\n"
            "  object Timer1: TTimer\r\n"
            "    object Menu1: TMainMenu [2]\r\n"
            "      object TMenuItem\r\n"
            "      end\r\n"
            "    end\r\n"
            "  end\r\n"
            "  object Keyloom1: TKeyloom\r\n"
            "    SortMethod = smCaption\r\n"
            "    Caption = 'It'#39's'\r\n"
            "  end\r\n"
            "end\r\n");
}

TEST(WriterTest, InsertedIndexFollowsTheFile) {
  TDocument Doc = Parse("object A: TA\n  object B: TImage[0]\n  end\nend\n", "a.lfm");
  TNewObject Child;
  Child.FKind = TObjectKind::Inherited;
  Child.FName = "C";
  Child.FClassName = "TImage";
  Child.FIndex = 1;
  Doc.InsertObject(Doc.Root(), Child);
  EXPECT_EQ(RenderAndReparse(Doc), "object A: TA\n  object B: TImage[0]\n  end\n  inherited C: TImage[1]\n  end\nend\n");
}

TEST(WriterTest, RemovesObjectBlocks) {
  TDocument Doc = Parse(kForm);
  TObjectNode& Button = *Doc.Root().FChildren[0];
  Doc.RemoveObject(Button);
  EXPECT_TRUE(Button.FRemoved);
  EXPECT_THROW(Doc.SetString(Button.FindProperty("Caption")->FValue, "x"), EFormFileError);
  EXPECT_THROW(Doc.InsertProperty(Button, "Tag", TValue{std::int64_t{1}}), EFormFileError);
  EXPECT_THROW(Doc.RemoveObject(Doc.Root()), EFormFileError);
  EXPECT_EQ(RenderAndReparse(Doc),
            "object Form1: TForm1\r\n"
            "  Caption = 'Form'\r\n"
            "  object Timer1: TTimer\r\n"
            "  end\r\n"
            "end\r\n");
}

TEST(WriterTest, InsertsAfterARemovedLastChild) {
  TDocument Doc = Parse(kForm);
  Doc.RemoveObject(*Doc.Root().FChildren[1]);
  TNewObject Label;
  Label.FName = "Label1";
  Label.FClassName = "TLabel";
  Doc.InsertObject(Doc.Root(), Label);
  EXPECT_EQ(RenderAndReparse(Doc),
            "object Form1: TForm1\r\n"
            "  Caption = 'Form'\r\n"
            "  object Button1: TButton\r\n"
            "    Caption = 'OK'\r\n"
            "  end\r\n"
            "  object Label1: TLabel\r\n"
            "  end\r\n"
            "end\r\n");
}

TEST(WriterTest, EditsInsideARemovedObjectAreDropped) {
  // An edit made before its object is removed must not leak into the output.
  TDocument Doc = Parse(kForm);
  TObjectNode& Button = *Doc.Root().FChildren[0];
  Doc.SetString(Button.FindProperty("Caption")->FValue, "&OK");
  Doc.InsertProperty(Button, "Tag", TValue{std::int64_t{1}});
  Doc.RemoveObject(Button);
  std::string Text = RenderAndReparse(Doc);
  EXPECT_EQ(Text.find("&OK"), std::string::npos);
  EXPECT_EQ(Text.find("Tag"), std::string::npos);
}

TEST(WriterTest, RemovesAnObjectWhoseEndSharesItsLine) {
  TDocument Doc = Parse("object A: TA\n  object B: TB Left = 1 end object C: TC\n  end\nend\n");
  Doc.RemoveObject(*Doc.Root().FChildren[0]);
  EXPECT_EQ(RenderAndReparse(Doc), "object A: TA\n   object C: TC\n  end\nend\n");
}

// Many edits and removals in random order, nested objects among them: an
// edit inside anything removed is refused, every other one lands, and the
// rendered file holds exactly what is left.
TEST(WriterTest, EditsAmongManyRemovalsLandOnlyOutsideThem) {
  std::string Text = "object Form1: TForm1\n";
  std::vector<std::pair<int, int>> Shape;  // object number, parent number (-1: the root)
  for (int I = 0; I < 12; ++I) {
    Text += "  object O" + std::to_string(I) + ": TPanel\n    Caption = 'c" + std::to_string(I) + "'\n    Tag = " +
            std::to_string(I) + "\n";
    Shape.emplace_back(I, -1);
    for (int J = 0; J < 2; ++J) {
      const int K = 100 + I * 2 + J;
      Text += "    object O" + std::to_string(K) + ": TButton\n      Caption = 'c" + std::to_string(K) +
              "'\n      Tag = " + std::to_string(K) + "\n    end\n";
      Shape.emplace_back(K, I);
    }
    Text += "  end\n";
  }
  Text += "end\n";
  std::mt19937 Random(7);
  for (int Round = 0; Round < 30; ++Round) {
    TDocument Doc = Parse(Text, "f.lfm");
    std::map<int, TObjectNode*> Nodes;
    std::map<int, int> Parents;
    for (const auto& [Number, Parent] : Shape) {
      TObjectNode& Owner = Parent < 0 ? Doc.Root() : *Nodes.at(Parent);
      const std::size_t At = Parent < 0 ? static_cast<std::size_t>(Number) : static_cast<std::size_t>(Number - 100) % 2;
      Nodes[Number] = Owner.FChildren.at(At);
      Parents[Number] = Parent;
    }
    std::map<int, bool> ObjectGone, CaptionGone;
    std::map<int, std::string> Caption;
    std::map<int, std::int64_t> Tag;
    auto Gone = [&](int Number) { return ObjectGone[Number] || (Parents[Number] >= 0 && ObjectGone[Parents[Number]]); };
    for (int Step = 0; Step < 80; ++Step) {
      const int Number = std::next(Nodes.begin(), static_cast<std::ptrdiff_t>(Random() % Nodes.size()))->first;
      TObjectNode& Node = *Nodes[Number];
      TProperty& CaptionProperty = Node.FProperties.at(0);  // found even when removed
      TValue& TagValue = Node.FProperties.at(1).FValue;
      const std::string New = "n" + std::to_string(Step);
      switch (Random() % 6) {
        case 0:
        case 1:
          if (Gone(Number) || CaptionGone[Number]) {
            EXPECT_THROW(Doc.SetString(CaptionProperty.FValue, New), EFormFileError);
          } else {
            Doc.SetString(CaptionProperty.FValue, New);
            Caption[Number] = New;
          }
          break;
        case 2:
          if (Gone(Number)) {
            EXPECT_THROW(Doc.SetInteger(TagValue, Step), EFormFileError);
          } else {
            Doc.SetInteger(TagValue, Step);
            Tag[Number] = Step;
          }
          break;
        case 3:
        case 4:
          if (Gone(Number) || CaptionGone[Number]) {
            EXPECT_THROW(Doc.RemoveProperty(CaptionProperty), EFormFileError);
          } else {
            Doc.RemoveProperty(CaptionProperty);
            CaptionGone[Number] = true;
          }
          break;
        default:
          if (Gone(Number)) {
            EXPECT_THROW(Doc.RemoveObject(Node), EFormFileError);
          } else {
            Doc.RemoveObject(Node);
            ObjectGone[Number] = true;
          }
      }
    }
    const std::string Out = RenderAndReparse(Doc);
    TDocument Back = Parse(Out, "f.lfm");
    std::map<std::string, const TObjectNode*> Found;
    for (const TObjectNode* Panel : Back.Root().FChildren) {
      Found[std::string(Panel->FName)] = Panel;
      for (const TObjectNode* Button : Panel->FChildren) Found[std::string(Button->FName)] = Button;
    }
    for (const auto& [Number, Parent] : Shape) {
      const auto It = Found.find("O" + std::to_string(Number));
      ASSERT_EQ(It == Found.end(), Gone(Number)) << Number << "\n" << Out;
      if (It == Found.end()) continue;
      const TProperty* CaptionRead = It->second->FindProperty("Caption");
      ASSERT_EQ(CaptionRead == nullptr, CaptionGone[Number]) << Number;
      if (CaptionRead) {
        const std::string Expected = Caption.count(Number) ? Caption[Number] : "c" + std::to_string(Number);
        EXPECT_EQ(*CaptionRead->FValue.String(), Expected);
      }
      const std::int64_t ExpectedTag = Tag.count(Number) ? Tag[Number] : Number;
      EXPECT_EQ(std::get<std::int64_t>(It->second->FindProperty("Tag")->FValue.FData), ExpectedTag);
    }
  }
}

TValue StringList(std::vector<std::string> Items) {
  TList List;
  for (std::string& Item : Items) List.FItems.emplace_back(std::move(Item));
  return TValue{std::move(List)};
}

// A value of another shape goes where the old one stood, in the file's layout.
TEST(WriterTest, SetValueReplacesWholeValuesInPlace) {
  const std::string Delphi =
      "object A: TA\r\n"
      "  Items.Strings = (\r\n"
      "    'a'\r\n"
      "    'b')\r\n"
      "  Left = 1\r\n"
      "end\r\n";
  TDocument Doc = Parse(Delphi, "a.dfm");
  Doc.SetValue(*Doc.Root().FindProperty("Items.Strings"), StringList({"x", "y", "z"}));
  Doc.SetValue(*Doc.Root().FindProperty("Left"), Ident("clRed"));
  EXPECT_EQ(RenderAndReparse(Doc),
            "object A: TA\r\n"
            "  Items.Strings = (\r\n"
            "    'x'\r\n"
            "    'y'\r\n"
            "    'z')\r\n"
            "  Left = clRed\r\n"
            "end\r\n");
  // Set again before rendering: the last value wins, the names it holds are the document's.
  {
    std::string Name = "akLeft";
    Doc.SetValue(*Doc.Root().FindProperty("Left"), TValue{TSet{{Name}}});
    Name = "overwritten";
  }
  Doc.SetValue(*Doc.Root().FindProperty("Items.Strings"), StringList({}));
  EXPECT_EQ(RenderAndReparse(Doc),
            "object A: TA\r\n"
            "  Items.Strings = ()\r\n"
            "  Left = [akLeft]\r\n"
            "end\r\n");
  EXPECT_EQ(std::get<TSet>(Doc.Root().FindProperty("Left")->FValue.FData).FNames.at(0), "akLeft");

  const std::string Lazarus =
      "object A: TA\n"
      "  object B: TB\n"
      "    Items.Strings = (\n"
      "      'a'\n"
      "    )\n"
      "  end\n"
      "end\n";
  TDocument Laz = Parse(Lazarus, "a.lfm");
  TProperty& Items = *Laz.Root().FChildren[0]->FindProperty("Items.Strings");
  Laz.SetValue(Items, StringList({}));
  EXPECT_EQ(RenderAndReparse(Laz), "object A: TA\n  object B: TB\n    Items.Strings = (    )\n  end\nend\n");
  Laz.SetValue(Items, StringList({"p", "q"}));
  EXPECT_EQ(RenderAndReparse(Laz),
            "object A: TA\n  object B: TB\n    Items.Strings = (\n      'p'\n      'q'\n    )\n  end\nend\n");
}

TEST(WriterTest, SetValueKeepsTheSpellingRulesOfStringsAndRefusesRemovedProperties) {
  TDocument Doc = Parse("object A: TA\n  Caption = 'it'#39's'\n  Left = 1\nend\n", "a.dfm");
  TProperty& Caption = *Doc.Root().FindProperty("Caption");
  Doc.SetValue(Caption, TValue{std::string("it's new")});
  EXPECT_EQ(RenderAndReparse(Doc), "object A: TA\n  Caption = 'it'#39's new'\n  Left = 1\nend\n");
  TProperty& Left = *Doc.Root().FindProperty("Left");
  Doc.RemoveProperty(Left);
  EXPECT_THROW(Doc.SetValue(Left, TValue{std::int64_t{2}}), EFormFileError);
}

}  // namespace
}  // namespace keyloom::formfile
