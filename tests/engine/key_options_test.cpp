#include <keyloom/engine.hpp>
#include <keyloom/host.hpp>
#include <keyloom/scopes.hpp>
#include <keyloom/tree.hpp>

#include <gtest/gtest.h>

#include "support/runtime_forms.hpp"

#include <string>
#include <vector>

namespace keyloom {
namespace {

using test::Make;

TKeyOptions With(TKeyScope Scope, TAssignStrategy Strategy = TAssignStrategy::asLetterSearch,
                 std::string Reserved = {}, TNonLatinMode NonLatin = TNonLatinMode::nlSkip) {
  TKeyOptions Options;
  Options.Scope = Scope;
  Options.Strategy = Strategy;
  Options.ReservedLetters = std::move(Reserved);
  Options.NonLatin = NonLatin;
  return Options;
}

TKeyOptions WithStrategy(TAssignStrategy Strategy) { return With(TKeyScope::ksSiblings, Strategy); }
TKeyOptions WithReserved(std::string Reserved, TAssignStrategy Strategy = TAssignStrategy::asLetterSearch) {
  return With(TKeyScope::ksSiblings, Strategy, std::move(Reserved));
}
TKeyOptions WithNonLatin(TNonLatinMode Mode, TAssignStrategy Strategy = TAssignStrategy::asLetterSearch) {
  return With(TKeyScope::ksSiblings, Strategy, {}, Mode);
}

class KeyOptionsTest : public ::testing::Test {
 protected:
  TTreeNode* AddButton(const std::string& Caption) {
    auto* Button = Make<TButton>(&Form, &Form, "", Caption);
    return Tree.GetItems().AddChildObject(nullptr, Caption, Button);
  }
  // A flat group of buttons, worked with these settings; the resulting texts.
  std::vector<std::string> RunGroup(const std::vector<std::string>& Captions, const TKeyOptions& Options) {
    ClearWorkingTree(Tree);
    for (const std::string& Caption : Captions) AddButton(Caption);
    Run(Options);
    std::vector<std::string> Out;
    for (int I = 0; I < Tree.GetItems().GetRootCount(); ++I) Out.push_back(Tree.GetItems().GetRoot(I)->GetText());
    return Out;
  }
  void Run(const TKeyOptions& Options) {
    Find(Tree, {}, nullptr, nullptr, Lists.CaptionClasses, Lists.NoCaptionClasses, Lists.DefaultCaptions, Options);
  }
  void Build() {
    ClearWorkingTree(Tree);
    EnumComponents(&Form, Tree, Form, Lists.CaptionClasses, Lists.NoCaptionClasses);
  }
  const TTreeNode* NodeOf(const TObject* Component) const {
    for (int I = 0; I < Tree.GetItems().GetCount(); ++I)
      if (Tree.GetItems().GetNodeFromIndex(I)->GetData() == Component) return Tree.GetItems().GetNodeFromIndex(I);
    return nullptr;
  }
  std::string TextOf(const TObject* Component) const {
    const TTreeNode* Node = NodeOf(Component);
    return Node ? Node->GetText() : "<no node>";
  }

  TForm Form{nullptr};
  TTreeView Tree{nullptr};
  test::TDefaultLists Lists;
};

struct TGroupCase {
  const char* Name;
  TKeyOptions Options;
  std::vector<std::string> Captions;
  std::vector<std::string> Expected;
};

// No two captions of the window that show together share a letter.
void ExpectUniqueWhereTogether(const TCustomTreeView& Tree) {
  for (const TKeyScopeGroup& Scope : CollectScopes(Tree, TKeyScope::ksWindow))
    for (std::size_t A = 0; A < Scope.Nodes.size(); ++A)
      for (std::size_t B = A + 1; B < Scope.Nodes.size(); ++B) {
        TLetterKey KeyA = 0;
        TLetterKey KeyB = 0;
        if (!Scope.VisibleTogether(A, B) || !MarkedLetter(Scope.Nodes[A]->GetText(), TNonLatinMode::nlSkip, KeyA) ||
            !MarkedLetter(Scope.Nodes[B]->GetText(), TNonLatinMode::nlSkip, KeyB))
          continue;
        EXPECT_NE(KeyA, KeyB) << Scope.Nodes[A]->GetText() << " / " << Scope.Nodes[B]->GetText();
      }
}

TEST_F(KeyOptionsTest, GroupsUnderEachSetting) {
  const std::vector<TGroupCase> Cases = {
      // Best coverage.
      {"greedy loses one, best coverage covers all", WithStrategy(TAssignStrategy::asBestCoverage),
       {"AB", "A", "C"}, {"A&B", "&A", "&C"}},
      {"the search for comparison", WithStrategy(TAssignStrategy::asLetterSearch), {"AB", "A", "C"}, {"&AB", "A", "&C"}},
      {"first letters of words before later letters", WithStrategy(TAssignStrategy::asBestCoverage),
       {"Open File", "Options"}, {"Open &File", "&Options"}},
      {"earlier nodes get the better letter", WithStrategy(TAssignStrategy::asBestCoverage), {"Ox", "Oy"}, {"&Ox", "O&y"}},
      {"default caption before a first letter", WithStrategy(TAssignStrategy::asBestCoverage),
       {"Edit", "Exit"}, {"&Edit", "E&xit"}},
      {"default caption wins over an earlier node's first letter", WithStrategy(TAssignStrategy::asBestCoverage),
       {"Xylophone", "Exit"}, {"X&ylophone", "E&xit"}},
      {"earlier letters before later ones", WithStrategy(TAssignStrategy::asBestCoverage),
       {"&Alpha", "Abcd"}, {"&Alpha", "A&bcd"}},
      {"marked letters stay and are taken", WithStrategy(TAssignStrategy::asBestCoverage),
       {"&Save", "Sa", "&Send"}, {"&Save", "S&a", "&Send"}},
      {"the marker stands on the chosen word's letter", WithStrategy(TAssignStrategy::asBestCoverage),
       {"&Lunch", "Last step"}, {"&Lunch", "Last &step"}},
      // Reserved letters.
      {"reserved letter skipped", WithReserved("f"), {"File"}, {"F&ile"}},
      {"reserved letters compare without case", WithReserved("FI"), {"File", "fix"}, {"Fi&le", "fi&x"}},
      {"reserved letter blocks a default caption", WithReserved("X"), {"Exit"}, {"&Exit"}},
      {"existing marker on a reserved letter stays", WithReserved("f"), {"&File", "Fog"}, {"&File", "F&og"}},
      {"reserved under best coverage", WithReserved("ao", TAssignStrategy::asBestCoverage), {"Open", "Abort"},
       {"O&pen", "A&bort"}},
      {"no letter left but reserved ones", WithReserved("ab"), {"ab ba"}, {"ab ba"}},
      // Appended letters.
      {"appended before an ellipsis", WithNonLatin(TNonLatinMode::nlAppend),
       {"\xD0\x9E\xD1\x82\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82\xD1\x8C..."},
       {"\xD0\x9E\xD1\x82\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82\xD1\x8C (&A)..."}},
      {"appended before a colon, letters in order", WithNonLatin(TNonLatinMode::nlAppend),
       {"&A", "&Bee", "\xD0\x94\xD0\xB0:"}, {"&A", "&Bee", "\xD0\x94\xD0\xB0 (&C):"}},
      {"a Latin caption whose letters are all taken gets none", WithNonLatin(TNonLatinMode::nlAppend),
       {"&A", "&Bee", "AB:"}, {"&A", "&Bee", "AB:"}},
      {"appended before >>, keeping the gap", WithNonLatin(TNonLatinMode::nlAppend), {"&More", "\xD0\x94\xD0\xB0 >>"},
       {"&More", "\xD0\x94\xD0\xB0 (&A) >>"}},
      {"appended at the end otherwise", WithNonLatin(TNonLatinMode::nlAppend), {"\xCE\x9D\xCE\xAD\xCE\xBF"},
       {"\xCE\x9D\xCE\xAD\xCE\xBF (&A)"}},
      {"appended letter skips reserved ones", With(TKeyScope::ksSiblings, TAssignStrategy::asLetterSearch, "AB",
                                                   TNonLatinMode::nlAppend),
       {"\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB"}, {"\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB (&C)"}},
      {"appended after best coverage", With(TKeyScope::ksSiblings, TAssignStrategy::asBestCoverage, {},
                                            TNonLatinMode::nlAppend),
       {"AB", "A", "B", "+", "\xD0\x94\xD0\xB0"}, {"&AB", "A", "&B", "+", "\xD0\x94\xD0\xB0 (&C)"}},
      {"separators, numbers and symbols get nothing", WithNonLatin(TNonLatinMode::nlAppend),
       {" ", "...", "-", "90 ", "1.5", "\xE2\x86\x92"}, {" ", "...", "-", "90 ", "1.5", "\xE2\x86\x92"}},
      {"skip leaves non-Latin captions alone", WithNonLatin(TNonLatinMode::nlSkip),
       {"\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB"}, {"\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB"}},
      // Native letters.
      {"Cyrillic letters, case folded", WithNonLatin(TNonLatinMode::nlNative),
       {"\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB", "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB"},
       {"&\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB", "\xD1\x84&\xD0\xB0\xD0\xB9\xD0\xBB"}},
      {"an existing native marker is taken", WithNonLatin(TNonLatinMode::nlNative),
       {"&\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB", "\xD0\xA4\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB0\xD1\x82"},
       {"&\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB", "\xD0\xA4&\xD0\xBE\xD1\x80\xD0\xBC\xD0\xB0\xD1\x82"}},
      {"Greek letters, final sigma folds to sigma", WithNonLatin(TNonLatinMode::nlNative),
       {"\xCF\x82", "\xCE\xA3\xCE\xB1"}, {"&\xCF\x82", "\xCE\xA3&\xCE\xB1"}},
      {"Greek accented capital folds", WithNonLatin(TNonLatinMode::nlNative),
       {"\xCE\x86\xCE\xBB", "\xCE\xAC"}, {"&\xCE\x86\xCE\xBB", "\xCE\xAC"}},
      {"positions count characters, Latin and native mixed", WithNonLatin(TNonLatinMode::nlNative),
       {"&S", "Save \xD0\xA4\xD0\xB0"}, {"&S", "Save &\xD0\xA4\xD0\xB0"}},
      {"native under best coverage", WithNonLatin(TNonLatinMode::nlNative, TAssignStrategy::asBestCoverage),
       {"\xD0\x94\xD0\xB0", "\xD0\x94"}, {"\xD0\x94&\xD0\xB0", "&\xD0\x94"}},
      {"reserved native letter", With(TKeyScope::ksSiblings, TAssignStrategy::asLetterSearch, "\xD1\x84",
                                      TNonLatinMode::nlNative),
       {"\xD0\xA4\xD0\xB0"}, {"\xD0\xA4&\xD0\xB0"}},
      {"digits and signs of the block are no letters", WithNonLatin(TNonLatinMode::nlNative),
       {"\xCD\xBE\xD2\x82"}, {"\xCD\xBE\xD2\x82"}},
      {"accented Latin letters, case folded", WithNonLatin(TNonLatinMode::nlNative),
       {"\xC3\x89" "diter", "\xC3\xA9" "bauche"}, {"&\xC3\x89" "diter", "\xC3\xA9&bauche"}},
      // Key names come last.
      {"a function key after the caption's own letters", WithStrategy(TAssignStrategy::asBestCoverage),
       {"&Help", "Help F1"}, {"&Help", "H&elp F1"}},
      {"what follows a tab is a shortcut", WithStrategy(TAssignStrategy::asBestCoverage),
       {"&Save", "Save\tCtrl+S"}, {"&Save", "S&ave\tCtrl+S"}},
      {"a native letter before a function key", WithNonLatin(TNonLatinMode::nlNative),
       {"&\xD0\xA1\xD0\xBF", "\xD0\xA1\xD0\xBF F1"}, {"&\xD0\xA1\xD0\xBF", "\xD0\xA1&\xD0\xBF F1"}},
      {"key names are letters still when nothing else is left", WithStrategy(TAssignStrategy::asBestCoverage),
       {"&Zoom", "&Options", "&Mode", "Zoom (Ctrl+2)"}, {"&Zoom", "&Options", "&Mode", "Zoom (&Ctrl+2)"}},
      {"the search keeps its order", WithStrategy(TAssignStrategy::asLetterSearch), {"&Help", "Help F1"},
       {"&Help", "Help &F1"}},
  };
  for (const TGroupCase& C : Cases) EXPECT_EQ(RunGroup(C.Captions, C.Options), C.Expected) << C.Name;
}

TEST_F(KeyOptionsTest, PlaceholderCaptionsUnderEachSetting) {
  struct TCase {
    TPlaceholders Placeholders;
    std::vector<std::string> Expected;
  };
  for (const TCase& C : {TCase{TPlaceholders::plTreatAsCaption, {"&Button1", "B&old", "B&utton2"}},
                         TCase{TPlaceholders::plSkip, {"Button1", "&Bold", "B&utton2"}}}) {
    ClearWorkingTree(Tree);
    TForm Window(nullptr);
    // The first is what a designer names a new button; the third was renamed.
    for (const auto& [Name, Caption] : std::vector<std::pair<std::string, std::string>>{
             {"Button1", "Button1"}, {"BoldButton", "Bold"}, {"Button3", "Button2"}}) {
      auto* Button = Make<TButton>(&Window, &Window, Name, Caption);
      Tree.GetItems().AddChildObject(nullptr, Caption, Button);
    }
    TKeyOptions Options = WithStrategy(TAssignStrategy::asBestCoverage);
    Options.Placeholders = C.Placeholders;
    Run(Options);
    std::vector<std::string> Out;
    for (int I = 0; I < Tree.GetItems().GetRootCount(); ++I) Out.push_back(Tree.GetItems().GetRoot(I)->GetText());
    EXPECT_EQ(Out, C.Expected) << static_cast<int>(C.Placeholders);
  }
}

TEST_F(KeyOptionsTest, HiddenCaptionsTakeTheirLettersAfterVisibleOnes) {
  struct TCase {
    const char* Name;
    TKeyOptions Options;
    std::vector<std::string> Expected;  // the hidden button, the hidden tab, the visible button
  };
  const std::vector<TCase> Cases = {
      {"best coverage", WithStrategy(TAssignStrategy::asBestCoverage), {"A&b", "&Tab", "&Ac"}},
      {"window search", With(TKeyScope::ksWindow), {"A&b", "Tab", "&Ac"}},
      {"the plain search keeps the sibling order", {}, {"&Ab", "&Tab", "A&c"}},
  };
  for (const TCase& C : Cases) {
    TForm Window(nullptr);
    auto* Pages = Make<TPageControl>(&Window, &Window, "Pages");
    auto* Sheet = Make<TTabSheet>(&Window, Pages, "Sheet", "Tab");
    Sheet->SetTabVisible(false);
    auto* Hidden = Make<TButton>(&Window, &Window, "Hidden", "Ab");
    Hidden->SetVisible(false);
    auto* Shown = Make<TButton>(&Window, &Window, "Shown", "Ac");
    ClearWorkingTree(Tree);
    TTreeNodes& Items = Tree.GetItems();
    for (TObject* Object : std::vector<TObject*>{Hidden, Sheet, Shown})
      Items.AddChildObject(nullptr, static_cast<TControl*>(Object)->GetText(), Object);
    // A third caption that wants the tab's letter.
    auto* Toggle = Make<TButton>(&Window, &Window, "Toggle", "Tx");
    Items.AddChildObject(nullptr, "Tx", Toggle);
    Run(C.Options);
    std::vector<std::string> Out;
    for (int I = 0; I < 3; ++I) Out.push_back(Items.GetRoot(I)->GetText());
    EXPECT_EQ(Out, C.Expected) << C.Name;
  }
}

TEST_F(KeyOptionsTest, NativeMarkersKeepUtf8Intact) {
  const std::vector<std::string> Captions = {"\xD0\x90\xD0\xB1", "\xD0\xB0\xD0\x91", "\xCE\xA9\xCF\x89\xCE\xB1",
                                             "\xD0\x80\xD0\x80x"};
  for (TAssignStrategy Strategy : {TAssignStrategy::asLetterSearch, TAssignStrategy::asBestCoverage}) {
    const std::vector<std::string> Texts = RunGroup(Captions, WithNonLatin(TNonLatinMode::nlNative, Strategy));
    std::vector<TLetterKey> Keys;
    for (std::size_t I = 0; I < Texts.size(); ++I) {
      EXPECT_EQ(DeleteAccelerator(Texts[I]), Captions[I]);
      TLetterKey Key = 0;
      ASSERT_TRUE(MarkedLetter(Texts[I], TNonLatinMode::nlNative, Key)) << Texts[I];
      EXPECT_TRUE(IsNativeKey(Key) || Texts[I].find("&x") != std::string::npos) << Texts[I];
      for (TLetterKey Other : Keys) EXPECT_NE(Key, Other) << Texts[I];
      Keys.push_back(Key);
    }
  }
}

TEST(KeyLettersTest, CaptionLettersFollowTheSearchOrder) {
  const auto Keys = [](const std::string& Caption, TNonLatinMode Mode) {
    std::string Out;
    for (const TLetterChoice& Choice : CaptionLetters(Caption, Mode))
      Out += std::to_string(Choice.Position) + (Choice.WordStart ? "w" : "") + ",";
    return Out;
  };
  // "Save As": S, A (word starts), then a, v (a already seen as A), e, s taken as S.
  EXPECT_EQ(Keys("Save As", TNonLatinMode::nlSkip), "0w,5w,2,3,");
  EXPECT_EQ(Keys("1.5", TNonLatinMode::nlSkip), "");
  // A Cyrillic word: bytes are no letters unless native.
  EXPECT_EQ(Keys("\xD0\xA4x", TNonLatinMode::nlSkip), "2,");
  EXPECT_EQ(Keys("\xD0\xA4x", TNonLatinMode::nlNative), "0w,2,");
  // Key names last: Z, o, m, then the C, t, r, l of Ctrl and nothing of "+2".
  const auto KeysLast = [](const std::string& Caption) {
    std::string Out;
    for (const TLetterChoice& Choice : CaptionLetters(Caption, TNonLatinMode::nlSkip, true))
      Out += std::to_string(Choice.Position) + (Choice.KeyName ? "k" : "") + ",";
    return Out;
  };
  EXPECT_EQ(Keys("Zoom (Ctrl+2)", TNonLatinMode::nlSkip), "0w,1,6,7,3,8,9,");
  EXPECT_EQ(KeysLast("Zoom (Ctrl+2)"), "0,1,3,6k,7k,8k,9k,");
  // The key joined by "+", a key word alone in parentheses; "Alt" as a word is no key.
  EXPECT_EQ(KeysLast("Go (Alt+X)"), "0,1,4k,5k,6k,8k,");
  EXPECT_EQ(KeysLast("Ax (Del)"), "0,1,4k,5k,6k,");
  EXPECT_EQ(KeysLast("Alt Tab"), "0,4,1,6,");
  EXPECT_EQ(FoldNativeLetter(0x00C9), 0x00E9u);  // É
  EXPECT_EQ(FoldNativeLetter(0x0178), 0x00FFu);  // Ÿ
  EXPECT_EQ(ReservedLetterKeys("aA\xD0\xA4\xD1\x84"),
            (std::vector<TLetterKey>{ByteLetterKey('a'), NativeLetterKey(0x0444)}));
  EXPECT_EQ(FoldNativeLetter(0x0401), 0x0451u);  // Ё
  EXPECT_EQ(FoldNativeLetter(0x03A3), 0x03C3u);  // Σ
  EXPECT_EQ(FoldNativeLetter(0x04C1), 0x04C2u);
  EXPECT_FALSE(IsNativeLetter(0x0483));
  EXPECT_FALSE(IsNativeLetter(0x00E9));
}

TEST_F(KeyOptionsTest, WindowScopeSpansPanelsAndTheMainMenuTopRow) {
  auto* Panel1 = Make<TPanel>(&Form, &Form, "Panel1");
  auto* Panel2 = Make<TPanel>(&Form, &Form, "Panel2");
  auto* Menu = Make<TMainMenu>(&Form, nullptr, "MainMenu1");
  auto* Popup = Make<TPopupMenu>(&Form, nullptr, "PopupMenu1");
  auto* FindButton = Make<TButton>(&Form, &Form, "bFind", "Find");
  auto* Open = Make<TButton>(&Form, Panel1, "bOpen", "Open");
  auto* Options = Make<TButton>(&Form, Panel2, "bOptions", "Options");
  TMenuItem* File = test::AddItem(&Form, Menu->GetItems(), "miFile", "File");
  TMenuItem* Format = test::AddItem(&Form, Menu->GetItems(), "miFormat", "Format");
  TMenuItem* SubOpen = test::AddItem(&Form, File, "miOpen", "Open");
  TMenuItem* PopOpen = test::AddItem(&Form, Popup->GetItems(), "miPopOpen", "Open");

  struct TExpect {
    const TObject* Component;
    const char* Siblings;
    const char* Window;
  };
  const TExpect Expected[] = {
      {FindButton, "&Find", "&Find"}, {Open, "&Open", "&Open"},        {Options, "&Options", "O&ptions"},
      {File, "F&ile", "F&ile"},       {Format, "F&ormat", "Fo&rmat"}, {SubOpen, "&Open", "&Open"},
      {PopOpen, "&Open", "&Open"},
  };
  for (TKeyScope Scope : {TKeyScope::ksSiblings, TKeyScope::ksWindow}) {
    Build();
    Run(With(Scope));
    for (const TExpect& E : Expected)
      EXPECT_EQ(TextOf(E.Component), Scope == TKeyScope::ksWindow ? E.Window : E.Siblings)
          << static_cast<const TComponent*>(E.Component)->GetName();
  }

  // The window, then the submenu of File and the popup's row.
  const std::vector<TKeyScopeGroup> Scopes = CollectScopes(Tree, TKeyScope::ksWindow);
  ASSERT_EQ(Scopes.size(), 3u);
  std::vector<std::string> Window;
  for (const TTreeNode* Node : Scopes[0].Nodes) Window.push_back(DeleteAccelerator(Node->GetText()));
  EXPECT_EQ(Window, (std::vector<std::string>{"Panel1", "Panel2", "Find", "Open", "Options", "File", "Format"}));
  EXPECT_FALSE(Scopes[0].HasPages());
  EXPECT_EQ(Scopes[0].Inherits, -1);
  std::vector<const TObject*> Rest;
  for (std::size_t S = 1; S < Scopes.size(); ++S)
    for (const TTreeNode* Node : Scopes[S].Nodes) Rest.push_back(Node->GetData());
  EXPECT_EQ(Rest, (std::vector<const TObject*>{SubOpen, PopOpen}));
}

TEST_F(KeyOptionsTest, WindowScopeReservesCaptionsOutsideTheTree) {
  auto* Group = Make<TRadioGroup>(&Form, &Form, "ScopeGroup", "&Scope");
  Group->GetItems()->Add("Selection");
  Group->GetItems()->Add("Whole file");
  auto* Bar = Make<TToolBar>(&Form, &Form, "ToolBar1");
  Bar->SetShowCaptions(true);
  Make<TToolButton>(&Form, Bar, "SaveTool", "&Save");
  auto* Set = Make<TButton>(&Form, &Form, "SetButton", "Set");
  auto* Hidden = Make<TToolBar>(&Form, &Form, "ToolBar2");
  auto* Quiet = Make<TToolButton>(&Form, Hidden, "QuietTool", "Quiet");
  struct TCase {
    const char* Name;
    TKeyOptions Options;
    const char* Selection;
    const char* SetText;
  };
  const std::vector<TCase> Cases = {
      {"window and best coverage", With(TKeyScope::ksWindow, TAssignStrategy::asBestCoverage), "S&election", "Se&t"},
      {"window search", With(TKeyScope::ksWindow), "S&election", "Se&t"},
      {"sibling groups see neither", {}, "&Selection", "S&et"},
  };
  for (const TCase& C : Cases) {
    Build();
    Run(C.Options);
    const TTreeNode* Item = nullptr;
    for (int I = 0; I < Tree.GetItems().GetCount(); ++I)
      if (DeleteAccelerator(Tree.GetItems().GetNodeFromIndex(I)->GetText()) == "Selection")
        Item = Tree.GetItems().GetNodeFromIndex(I);
    ASSERT_NE(Item, nullptr);
    EXPECT_EQ(Item->GetText(), C.Selection) << C.Name;
    EXPECT_EQ(TextOf(Set), C.SetText) << C.Name;
  }
  // Named in the caption classes, a tool button takes part where its toolbar shows captions.
  Lists.CaptionClasses.Add("TToolButton");
  Build();
  Run(With(TKeyScope::ksWindow, TAssignStrategy::asBestCoverage));
  EXPECT_EQ(TextOf(Quiet), "Quiet");
  EXPECT_EQ(TextOf(Set), "Se&t");
}

TEST_F(KeyOptionsTest, SiblingScopesAreTheSiblingGroups) {
  auto* Panel = Make<TPanel>(&Form, &Form, "Panel1");
  auto* Menu = Make<TMainMenu>(&Form, nullptr, "MainMenu1");
  Make<TButton>(&Form, Panel, "b1", "One");
  TMenuItem* File = test::AddItem(&Form, Menu->GetItems(), "miFile", "File");
  test::AddItem(&Form, File, "miNew", "New");
  Build();
  const std::vector<TKeyScopeGroup> Scopes = CollectScopes(Tree, TKeyScope::ksSiblings);
  // Roots; the panel's group; the menu's top row; File's submenu.
  ASSERT_EQ(Scopes.size(), 4u);
  EXPECT_EQ(Scopes[0].Nodes.size(), 2u);
  EXPECT_EQ(Scopes[0].Inherits, -1);
  EXPECT_EQ(Scopes[1].Inherits, 0);
  EXPECT_EQ(Scopes[2].Inherits, 0);
  EXPECT_EQ(Scopes[3].Inherits, -1) << "a submenu starts with no letter taken";
  EXPECT_EQ(Scopes[3].Component, File);
}

TEST_F(KeyOptionsTest, BestCoverageIsTheMaximumAcrossPages) {
  // Outside, "AB" and "B" both fit only when "AB" takes A, which both pages
  // want: matching outside first covers two captions, the maximum is three.
  auto* Both = Make<TButton>(&Form, &Form, "bBoth", "AB");
  auto* B = Make<TButton>(&Form, &Form, "bB", "B");
  auto* Pages = Make<TPageControl>(&Form, &Form, "Pages");
  auto* One = Make<TTabSheet>(&Form, Pages, "One", "Xy");
  auto* Two = Make<TTabSheet>(&Form, Pages, "Two", "Zq");
  auto* A1 = Make<TButton>(&Form, One, "bA1", "A");
  auto* A2 = Make<TButton>(&Form, Two, "bA2", "A");
  Build();
  const std::vector<TKeyScopeGroup> Scopes = CollectScopes(Tree, TKeyScope::ksWindow);
  ASSERT_EQ(Scopes.size(), 1u);
  const TCoverageMaximum Most = ExactMaximumCoverage(
      Scopes[0], CandidateLetters(Scopes, 0, With(TKeyScope::ksWindow), Lists.CaptionClasses, Lists.NoCaptionClasses));
  EXPECT_EQ(Most.Size, 5u);  // with the two tabs
  EXPECT_TRUE(Most.Proven);
  Run(With(TKeyScope::ksWindow, TAssignStrategy::asBestCoverage));
  EXPECT_EQ(TextOf(Both), "AB");
  EXPECT_EQ(TextOf(B), "&B");
  EXPECT_EQ(TextOf(A1), "&A");
  EXPECT_EQ(TextOf(A2), "&A");
  EXPECT_EQ(TextOf(One), "&Xy");
}

TEST_F(KeyOptionsTest, PagesMayShareLettersButDifferFromOutside) {
  Make<TButton>(&Form, &Form, "bSend", "Send");
  auto* Side = Make<TPanel>(&Form, &Form, "Side");
  auto* Pages = Make<TPageControl>(&Form, &Form, "Pages");
  auto* One = Make<TTabSheet>(&Form, Pages, "One", "One");
  auto* Two = Make<TTabSheet>(&Form, Pages, "Two", "Two");
  auto* Apply = Make<TButton>(&Form, Side, "bApply", "Apply");
  auto* Now = Make<TButton>(&Form, One, "bNow", "Now");
  auto* Always = Make<TButton>(&Form, One, "bAlways", "Always");
  auto* ApplyNow = Make<TButton>(&Form, Two, "bApplyNow", "Apply Now");

  Build();
  Run(With(TKeyScope::ksWindow));
  EXPECT_EQ(TextOf(Apply), "&Apply");
  EXPECT_EQ(TextOf(One), "&One");
  EXPECT_EQ(TextOf(Two), "&Two");
  EXPECT_EQ(TextOf(Now), "&Now");
  EXPECT_EQ(TextOf(Always), "A&lways") << "must differ from Apply outside the page control";
  EXPECT_EQ(TextOf(ApplyNow), "Apply &Now") << "may share N with the other page";

  const std::vector<TKeyScopeGroup> Scopes = CollectScopes(Tree, TKeyScope::ksWindow);
  ASSERT_EQ(Scopes.size(), 1u);
  const TKeyScopeGroup& Window = Scopes[0];
  EXPECT_TRUE(Window.HasPages());
  const auto IndexOf = [&](const TObject* Component) {
    for (std::size_t I = 0; I < Window.Nodes.size(); ++I)
      if (Window.Nodes[I]->GetData() == Component) return I;
    ADD_FAILURE() << "not in the window scope";
    return std::size_t{0};
  };
  EXPECT_FALSE(Window.VisibleTogether(IndexOf(Now), IndexOf(ApplyNow)));
  EXPECT_TRUE(Window.VisibleTogether(IndexOf(Now), IndexOf(Always)));
  EXPECT_TRUE(Window.VisibleTogether(IndexOf(Now), IndexOf(Apply)));
  EXPECT_TRUE(Window.VisibleTogether(IndexOf(Two), IndexOf(Now))) << "tabs show with every page";

  // Best coverage gives every caption a letter under the same rules.
  Build();
  Run(With(TKeyScope::ksWindow, TAssignStrategy::asBestCoverage));
  for (const TObject* C : {static_cast<const TObject*>(Apply), static_cast<const TObject*>(Now),
                           static_cast<const TObject*>(Always), static_cast<const TObject*>(ApplyNow)})
    EXPECT_TRUE(HasAccelerator(TextOf(C))) << TextOf(C);
  EXPECT_NE(GetAccelerator(TextOf(Always)), GetAccelerator(TextOf(Apply)));
}

TEST_F(KeyOptionsTest, NestedPageControlsAndNotebookPages) {
  auto* Outer = Make<TPageControl>(&Form, &Form, "Outer");
  auto* SheetA = Make<TTabSheet>(&Form, Outer, "SheetA", "Alpha");
  auto* SheetB = Make<TTabSheet>(&Form, Outer, "SheetB", "Beta");
  auto* Inner = Make<TPageControl>(&Form, SheetA, "Inner");
  auto* SheetA1 = Make<TTabSheet>(&Form, Inner, "SheetA1", "Gamma");
  auto* SheetA2 = Make<TTabSheet>(&Form, Inner, "SheetA2", "Delta");
  auto* Book = Make<TNotebook>(&Form, SheetB, "Book");
  auto* Page1 = Make<TPage>(&Form, Book, "Page1");
  auto* Page2 = Make<TPage>(&Form, Book, "Page2");
  auto* OnA = Make<TButton>(&Form, SheetA, "bA", "Xa");
  auto* OnA1 = Make<TButton>(&Form, SheetA1, "bA1", "Xb");
  auto* OnA2 = Make<TButton>(&Form, SheetA2, "bA2", "Xc");
  auto* OnB1 = Make<TButton>(&Form, Page1, "bB1", "Xd");
  auto* OnB2 = Make<TButton>(&Form, Page2, "bB2", "Xe");
  Build();
  const std::vector<TKeyScopeGroup> Scopes = CollectScopes(Tree, TKeyScope::ksWindow);
  ASSERT_EQ(Scopes.size(), 1u);
  const TKeyScopeGroup& Window = Scopes[0];
  const auto Together = [&](const TObject* A, const TObject* B) {
    std::size_t IA = Window.Nodes.size();
    std::size_t IB = Window.Nodes.size();
    for (std::size_t I = 0; I < Window.Nodes.size(); ++I) {
      if (Window.Nodes[I]->GetData() == A) IA = I;
      if (Window.Nodes[I]->GetData() == B) IB = I;
    }
    EXPECT_LT(IA, Window.Nodes.size());
    EXPECT_LT(IB, Window.Nodes.size());
    return Window.VisibleTogether(IA, IB);
  };
  EXPECT_TRUE(Together(OnA, OnA1));
  EXPECT_FALSE(Together(OnA1, OnA2));
  EXPECT_FALSE(Together(OnA1, OnB1));
  EXPECT_FALSE(Together(OnB1, OnB2));
  EXPECT_TRUE(Together(SheetA1, OnA2)) << "inner tabs show with every inner page";
  EXPECT_FALSE(Together(SheetA1, OnB1)) << "inner tabs are on the outer page";
  EXPECT_TRUE(Together(SheetB, OnA1));
  // All share X: the plain order takes it where it can.
  Build();
  Run(With(TKeyScope::ksWindow));
  EXPECT_EQ(TextOf(OnA), "&Xa");
  EXPECT_EQ(TextOf(OnA1), "Xb") << "X is Xa's, b is Beta's";
  EXPECT_EQ(TextOf(OnA2), "X&c");
  EXPECT_EQ(TextOf(OnB1), "&Xd") << "the notebook's pages are apart from sheet A";
  EXPECT_EQ(TextOf(OnB2), "&Xe");
  ExpectUniqueWhereTogether(Tree);
  // Best coverage spares X for the inner pages and covers every button.
  Build();
  Run(With(TKeyScope::ksWindow, TAssignStrategy::asBestCoverage));
  for (const TObject* C : {static_cast<const TObject*>(OnA), static_cast<const TObject*>(OnA1),
                           static_cast<const TObject*>(OnA2), static_cast<const TObject*>(OnB1),
                           static_cast<const TObject*>(OnB2)})
    EXPECT_TRUE(HasAccelerator(TextOf(C))) << TextOf(C);
  ExpectUniqueWhereTogether(Tree);
}

}  // namespace
}  // namespace keyloom
