// What the engine learns about a class is reused from node to node, but an
// assign handler that changes the no-caption list is seen by the next node.

#include <keyloom/engine.hpp>
#include <keyloom/host.hpp>
#include <keyloom/tree.hpp>

#include <gtest/gtest.h>

#include "queries/fact_caches.hpp"
#include "support/runtime_forms.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace keyloom {
namespace {

TEST(AssignListChange, AHandlerThatAddsAClassToTheNoCaptionListSkipsTheNodesAfterIt) {
  TForm Form(nullptr);
  auto* First = test::Make<TButton>(&Form, &Form, "b1", "One");
  auto* Second = test::Make<TButton>(&Form, &Form, "b2", "Two");
  auto* Box = test::Make<TCheckBox>(&Form, &Form, "c1", "Three");
  test::TDefaultLists Lists;
  TTreeView Tree(nullptr);
  EnumComponents(&Form, Tree, Form, Lists.CaptionClasses, Lists.NoCaptionClasses);
  std::vector<TObject*> Seen;
  AssignKeys(Tree, Lists.CaptionClasses, Lists.NoCaptionClasses, nullptr,
             [&](TObject*, TObject* Component, std::string& Caption) {
               Seen.push_back(Component);
               Caption += "!";
               if (Component == First) Lists.NoCaptionClasses.Add("TButton");
             });
  EXPECT_EQ(Seen, (std::vector<TObject*>{First, Box}));
  EXPECT_EQ(First->GetCaption(), "One!");
  EXPECT_EQ(Second->GetCaption(), "Two");
  EXPECT_EQ(Box->GetCaption(), "Three!");
}

// Facts found with one form's lists serve the next form's lists of the same
// content, and never lists of another content.
TEST(AssignListChange, RunsWithListsOfAnotherContentDoNotTakeEachOthersFacts) {
  auto Run = [](bool ButtonsHaveNoCaption) {
    TForm Form(nullptr);
    auto* Button = test::Make<TButton>(&Form, &Form, "b1", "One");
    auto* Box = test::Make<TCheckBox>(&Form, &Form, "c1", "Two");
    test::TDefaultLists Lists;  // new list objects each run, as every form's settings make
    TTreeView Tree(nullptr);
    EnumComponents(&Form, Tree, Form, Lists.CaptionClasses, Lists.NoCaptionClasses);
    // Only the key engine sees this: the tree is built already.
    if (ButtonsHaveNoCaption) Lists.NoCaptionClasses.Add("TButton");
    Find(Tree, TUsedLetters{}, nullptr, nullptr, Lists.CaptionClasses, Lists.NoCaptionClasses, Lists.DefaultCaptions);
    AssignKeys(Tree, Lists.CaptionClasses, Lists.NoCaptionClasses, nullptr, nullptr);
    return std::vector<std::string>{Button->GetCaption(), Box->GetCaption()};
  };
  const std::vector<std::string> Plain{"&One", "&Two"}, Skipped{"One", "&Two"};
  for (bool Skip : {false, true, true, false, true, false, false}) EXPECT_EQ(Run(Skip), Skip ? Skipped : Plain) << Skip;
}

// Lists of one content get one number, lists of another another, whichever
// list object holds them and however many contents came in between.
TEST(AssignListChange, ListContentIdsFollowTheContentOnly) {
  std::vector<std::unique_ptr<TStringList>> Lists;
  std::vector<std::uint64_t> Ids;
  for (int I = 0; I < 20; ++I) {
    Lists.push_back(std::make_unique<TStringList>());
    Lists.back()->Add("TClass" + std::to_string(I));
    Ids.push_back(ListContentId(*Lists.back()));
    EXPECT_NE(Ids.back(), 0u);
    for (int J = 0; J < I; ++J) EXPECT_NE(Ids[static_cast<std::size_t>(J)], Ids.back()) << I << " " << J;
  }
  TStringList Copy;
  Copy.Add("TClass19");
  EXPECT_EQ(ListContentId(Copy), Ids[19]);
  for (int I = 0; I < 20; ++I) {
    Copy.Assign(std::vector<std::string>{"TClass" + std::to_string(I)});
    const std::uint64_t Id = ListContentId(Copy);
    for (int J = 0; J < 20; ++J) {
      if (J == I) continue;
      EXPECT_NE(Id, Ids[static_cast<std::size_t>(J)]) << I << " " << J;
    }
  }
  Lists[3]->Add("TMore");
  EXPECT_NE(ListContentId(*Lists[3]), Ids[3]);
}

TEST(AssignListChange, StringListsCountTheirChanges) {
  TStringList List;
  const auto Start = List.ChangeCount();
  List.Add("a");
  List.Put(0, "b");
  List.Insert(0, "c");
  List.Delete(0);
  List.Assign(std::vector<std::string>{"x"});
  EXPECT_EQ(List.ChangeCount(), Start + 5);
  List.Clear();
  List.Clear();  // already empty: nothing changes
  EXPECT_EQ(List.ChangeCount(), Start + 6);
}

}  // namespace
}  // namespace keyloom
