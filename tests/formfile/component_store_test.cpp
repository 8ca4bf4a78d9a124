// Storing components into their form file: changed properties, new and gone
// components, by the framework's storing rules; the rest byte for byte.

#include <keyloom/formfile/loader.hpp>
#include <keyloom/host.hpp>
#include <keyloom/keyloom_component.hpp>

#include "formfile/component_store.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace keyloom::formfile {
namespace {

std::unique_ptr<TLoadedForm> Load(const std::string& Text, const std::string& FileName = "form.dfm") {
  return LoadForm(TDocument::Parse(Text, FileName));
}

template <class T>
T* Find(TLoadedForm& L, const char* Name) {
  T* Found = dynamic_cast<T*>(L.Form().FindComponent(Name));
  EXPECT_NE(Found, nullptr) << Name;
  return Found;
}

std::string Replaced(std::string Text, const std::vector<std::pair<std::string, std::string>>& Edits) {
  for (const auto& [From, To] : Edits) {
    const std::size_t At = Text.find(From);
    EXPECT_NE(At, std::string::npos) << From;
    if (At != std::string::npos) Text.replace(At, From.size(), To);
  }
  return Text;
}

// What the framework would stream for every component, by name: equal for
// two forms when the file holds everything that was set.
std::map<std::string, std::vector<std::string>> Streamed(TLoadedForm& L) {
  detail::TComponentWriter Writer(L.Form(), [&L](const TComponent& C, std::string_view Event) {
    return L.HandlerName(&C, Event);
  });
  std::map<std::string, std::vector<std::string>> Out;
  Out[L.Form().GetName()] = Writer.Snapshot(L.Form()).Canons;
  for (TComponent* C : L.Form().Components()) Out[C->GetName()] = Writer.Snapshot(*C).Canons;
  return Out;
}

const char* const Form =
    "object F: TForm\r\n"
    "  Caption = 'Main'\r\n"
    "  object P: TPanel\r\n"
    "    Left = 8\r\n"
    "    object B: TButton\r\n"
    "      Caption = 'OK'\r\n"
    "      Left = 1\r\n"
    "      OnClick = BClick\r\n"
    "    end\r\n"
    "    object L: TLabel\r\n"
    "      Caption = 'Name'\r\n"
    "      FocusControl = B\r\n"
    "    end\r\n"
    "  end\r\n"
    "  object R: TRadioGroup\r\n"
    "    Items.Strings = (\r\n"
    "      'One'\r\n"
    "      'Two')\r\n"
    "  end\r\n"
    "end\r\n";

struct TChangeCase {
  const char* Name;
  std::function<void(TLoadedForm&)> Change;
  std::vector<std::pair<std::string, std::string>> Edits;  // on Form
};

class ComponentStoreChangeTest : public ::testing::TestWithParam<TChangeCase> {};

TEST_P(ComponentStoreChangeTest, OnlyTheChangedPropertysLinesChange) {
  auto L = Load(Form);
  GetParam().Change(*L);
  EXPECT_EQ(L->StoreComponents(), 1);
  const std::string Out = L->Render();
  EXPECT_EQ(Out, Replaced(Form, GetParam().Edits));
  // Read again, the form streams as the changed one did; nothing is left to write.
  auto Again = Load(Out);
  EXPECT_EQ(Streamed(*Again), Streamed(*L));
  EXPECT_EQ(Again->StoreComponents(), 0);
  EXPECT_EQ(L->StoreComponents(), 0);
  EXPECT_EQ(L->Render(), Out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ComponentStoreChangeTest,
    ::testing::Values(
        TChangeCase{"IntegerInPlace",
                    [](TLoadedForm& L) { Find<TButton>(L, "B")->SetLeft(5); },
                    {{"      Left = 1\r\n", "      Left = 5\r\n"}}},
        TChangeCase{"BooleanOffItsDefaultIsAdded",
                    [](TLoadedForm& L) { Find<TButton>(L, "B")->SetEnabled(false); },
                    {{"      OnClick = BClick\r\n", "      OnClick = BClick\r\n      Enabled = False\r\n"}}},
        TChangeCase{"EmptiedStringIsRemoved", [](TLoadedForm& L) { Find<TButton>(L, "B")->SetCaption(""); },
                    {{"      Caption = 'OK'\r\n", ""}}},
        // A new font has a name: an emptied one is written, or it would read back as the default.
        TChangeCase{"EmptiedStringWithANonEmptyDefaultIsWritten",
                    [](TLoadedForm& L) { Find<TButton>(L, "B")->GetFont()->SetName(""); },
                    {{"      OnClick = BClick\r\n", "      OnClick = BClick\r\n      Font.Name = ''\r\n"}}},
        TChangeCase{"SubObjectPropertyByItsPath",
                    [](TLoadedForm& L) { Find<TPanel>(L, "P")->GetFont()->SetStyle(1); },
                    {{"    Left = 8\r\n", "    Left = 8\r\n    Font.Style = [fsBold]\r\n"}}},
        TChangeCase{"ReferenceCleared", [](TLoadedForm& L) { Find<TLabel>(L, "L")->SetFocusControl(nullptr); },
                    {{"      FocusControl = B\r\n", ""}}},
        TChangeCase{"ReferenceByName",
                    [](TLoadedForm& L) { Find<TLabel>(L, "L")->SetFocusControl(Find<TPanel>(L, "P")); },
                    {{"FocusControl = B", "FocusControl = P"}}},
        TChangeCase{"ListItem", [](TLoadedForm& L) { Find<TRadioGroup>(L, "R")->GetItems()->Put(1, "Three"); },
                    {{"'Two')", "'Three')"}}},
        TChangeCase{"ListLength", [](TLoadedForm& L) { Find<TRadioGroup>(L, "R")->GetItems()->Add("Three"); },
                    {{"'Two')", "'Two'\r\n      'Three')"}}},
        TChangeCase{"ListEmptiedWhereEmptyIsTheDefault",
                    [](TLoadedForm& L) { Find<TRadioGroup>(L, "R")->GetItems()->Clear(); },
                    {{"    Items.Strings = (\r\n      'One'\r\n      'Two')\r\n", ""}}},
        TChangeCase{"HandlerRenamed", [](TLoadedForm& L) { L.SetHandlerName(Find<TButton>(L, "B"), "OnClick", "Go"); },
                    {{"OnClick = BClick", "OnClick = Go"}}},
        TChangeCase{"HandlerUnbound", [](TLoadedForm& L) { L.SetHandlerName(Find<TButton>(L, "B"), "OnClick", ""); },
                    {{"      OnClick = BClick\r\n", ""}}},
        TChangeCase{"TheFormItself", [](TLoadedForm& L) { L.Form().SetCaption("Top"); },
                    {{"'Main'", "'Top'"}}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(ComponentStore, ComponentsGoneAndNewChangeOnlyTheirBlocks) {
  auto L = Load(Form);
  TCustomForm& F = L->Form();
  delete Find<TButton>(*L, "B");
  // Taken off the form without being freed.
  std::unique_ptr<TLabel> Label(Find<TLabel>(*L, "L"));
  F.RemoveComponent(Label.get());
  Label->SetParent(nullptr);

  auto* Added = new TButton(&F);
  Added->SetName("B2");
  Added->SetParent(Find<TPanel>(*L, "P"));
  Added->SetCaption("Go");
  auto* Box = new TPanel(&F);
  Box->SetName("P2");
  auto* Inner = new TCheckBox(&F);
  Inner->SetName("C");
  Inner->SetParent(Box);
  Inner->SetCaption("Check");
  Inner->SetChecked(true);
  Box->SetParent(&F);
  auto* Item = new TMenuItem(&F);  // no parent: below the form
  Item->SetName("Loose");

  EXPECT_EQ(L->StoreComponents(), 5);
  const std::string Out = L->Render();
  EXPECT_NE(Out.find("  object P: TPanel\r\n"
                     "    Left = 8\r\n"
                     "    object B2: TButton\r\n"),
            std::string::npos)
      << Out;
  EXPECT_NE(Out.find("      Caption = 'Go'\r\n"
                     "    end\r\n"
                     "  end\r\n"
                     "  object R: TRadioGroup\r\n"),
            std::string::npos)
      << Out;
  EXPECT_NE(Out.find("      'Two')\r\n"
                     "  end\r\n"
                     "  object P2: TPanel\r\n"),
            std::string::npos)
      << Out;
  EXPECT_NE(Out.find("    object C: TCheckBox\r\n"), std::string::npos) << Out;
  EXPECT_NE(Out.find("      Caption = 'Check'\r\n"
                     "      Checked = True\r\n"
                     "    end\r\n"
                     "  end\r\n"
                     "  object Loose: TMenuItem\r\n"
                     "  end\r\n"
                     "end\r\n"),
            std::string::npos)
      << Out;
  EXPECT_EQ(Out.find("object B:"), std::string::npos);
  EXPECT_EQ(Out.find("object L:"), std::string::npos);

  auto Again = Load(Out);
  EXPECT_EQ(Streamed(*Again), Streamed(*L));
  EXPECT_EQ(Find<TCheckBox>(*Again, "C")->GetParent(), Find<TPanel>(*Again, "P2"));
  EXPECT_EQ(Find<TButton>(*Again, "B2")->GetParent(), Find<TPanel>(*Again, "P"));

  // The new blocks are part of the document now: edits reach them, and
  // taking the new ones away again gives back the file as it was stored.
  Inner->SetChecked(false);
  EXPECT_EQ(L->StoreComponents(), 1);
  EXPECT_EQ(L->Render(), Replaced(Out, {{"      Checked = True\r\n", ""}}));
  delete Box;
  delete Added;
  delete Item;
  EXPECT_EQ(L->StoreComponents(), 3);
  EXPECT_EQ(L->Render(), Replaced(Form, {{"    object B: TButton\r\n"
                                          "      Caption = 'OK'\r\n"
                                          "      Left = 1\r\n"
                                          "      OnClick = BClick\r\n"
                                          "    end\r\n"
                                          "    object L: TLabel\r\n"
                                          "      Caption = 'Name'\r\n"
                                          "      FocusControl = B\r\n"
                                          "    end\r\n",
                                          ""}}));
}

TEST(ComponentStore, ANewComponentWhoseParentHasNoBlockIsRefusedAndNothingIsWritten) {
  auto L = Load(Form);
  TPanel Outside(nullptr);
  Outside.SetName("Outside");
  Outside.SetParent(&L->Form());
  Find<TButton>(*L, "B")->SetLeft(3);
  auto* Lost = new TButton(&L->Form());
  Lost->SetName("Lost");
  Lost->SetParent(&Outside);
  EXPECT_THROW(L->StoreComponents(), EFormFileError);
  EXPECT_EQ(L->Render(), Form);
  Lost->SetParent(Find<TPanel>(*L, "P"));
  EXPECT_EQ(L->StoreComponents(), 2);
  EXPECT_NE(L->Render().find("      Left = 3\r\n"), std::string::npos);
}

// Captions written by StoreCaptions (the command's writer) are not written twice.
TEST(ComponentStore, FollowsStoreCaptionsWithoutDuplicates) {
  auto L = Load("object F: TForm\n  object C: TCheckBox\n    Left = 2\n  end\nend\n");
  Find<TCheckBox>(*L, "C")->SetCaption("&Check");
  EXPECT_EQ(L->StoreCaptions(), 1);
  Find<TCheckBox>(*L, "C")->SetChecked(true);
  EXPECT_EQ(L->StoreComponents(), 1);
  EXPECT_EQ(L->Render(), "object F: TForm\n  object C: TCheckBox\n    Left = 2\n    Caption = '&Check'\n    Checked = True\n  end\nend\n");
  Find<TCheckBox>(*L, "C")->SetCaption("C&heck");
  EXPECT_EQ(L->StoreComponents(), 1);
  EXPECT_EQ(L->Render(), "object F: TForm\n  object C: TCheckBox\n    Left = 2\n    Caption = 'C&heck'\n    Checked = True\n  end\nend\n");
}

TEST(ComponentStore, StoreCaptionsTwiceAddsOneCaptionLine) {
  auto L = Load("object F: TForm\n  object C: TCheckBox\n    Left = 2\n  end\nend\n");
  Find<TCheckBox>(*L, "C")->SetCaption("&Check");
  EXPECT_EQ(L->StoreCaptions(), 1);
  Find<TCheckBox>(*L, "C")->SetCaption("C&heck");
  EXPECT_EQ(L->StoreCaptions(), 1);
  EXPECT_EQ(L->Render(), "object F: TForm\n  object C: TCheckBox\n    Left = 2\n    Caption = 'C&heck'\n  end\nend\n");
}

// Handler names come from the file whether or not they can be bound, and stay.
TEST(ComponentStore, HandlerNamesAreKeptFromTheFile) {
  auto L = Load(Form);
  TButton* B = Find<TButton>(*L, "B");
  EXPECT_EQ(L->HandlerName(B, "onclick"), "BClick");
  EXPECT_FALSE(B->OnClick);
  EXPECT_THROW(L->SetHandlerName(B, "OnClick", "not a name"), EFormFileError);
  B->SetLeft(2);
  EXPECT_EQ(L->StoreComponents(), 1);
  EXPECT_NE(L->Render().find("      OnClick = BClick\r\n"), std::string::npos);
  // A freed component's names go with it.
  delete B;
  EXPECT_EQ(L->HandlerName(B, "OnClick"), "");
}

std::string ReadFile(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream S;
  S << In.rdbuf();
  return S.str();
}

// Whatever a file's layout (line ends, a missing final line end, text after
// the root, odd indents), a component dropped on its form and taken away
// again leaves it as it was.
TEST(ComponentStoreCorpus, ADroppedComponentComesAndGoesWithoutTrace) {
  const std::filesystem::path Corpus = KEYLOOM_CORPUS_DIR;
  if (!std::filesystem::exists(Corpus)) GTEST_SKIP() << "no corpus at " << Corpus;
  TLoadOptions Options;
  Options.Designing = true;  // so that the dropped component does not run
  int Done = 0, Seen = 0;
  for (const auto& Entry : std::filesystem::recursive_directory_iterator(Corpus)) {
    const auto Ext = LowerCase(Entry.path().extension().string());
    if (!Entry.is_regular_file() || (Ext != ".dfm" && Ext != ".lfm")) continue;
    // Every third file keeps the run short; the layouts repeat across the corpus.
    if (Seen++ % 3 != 0) continue;
    const std::string Bytes = ReadFile(Entry.path());
    if (IsBinaryFormFile(Bytes)) continue;
    std::unique_ptr<TLoadedForm> L;
    try {
      L = LoadForm(TDocument::Parse(Bytes, Entry.path().string()), Options);
    } catch (const EFormFileError&) {
      continue;  // the malformed file the loader test names
    }
    auto* K = new TKeyloom(&L->Form());
    std::string Name = "Keyloom1";
    for (int N = 2; L->Form().FindComponent(Name); ++N) Name = "Keyloom" + std::to_string(N);
    K->SetName(Name);
    ASSERT_EQ(L->StoreComponents(), 1) << Entry.path();
    // Parsed again by the store: the block is where it was put.
    const TObjectNode* Node = L->NodeOf(K);
    ASSERT_NE(Node, nullptr) << Entry.path();
    EXPECT_EQ(Node->FParent, &L->Document().Root()) << Entry.path();
    EXPECT_NE(Node->FindProperty("CaptionClasses.Strings"), nullptr) << Entry.path();
    delete K;
    ASSERT_EQ(L->StoreComponents(), 1) << Entry.path();
    ASSERT_EQ(L->Render(), Bytes) << Entry.path();
    ++Done;
  }
  EXPECT_GT(Done, 800);
}

}  // namespace
}  // namespace keyloom::formfile
