// What the engine learns about a class is reused from node to node, but an
// assign handler that changes the no-caption list is seen by the next node.

#include <keyloom/engine.hpp>
#include <keyloom/host.hpp>
#include <keyloom/tree.hpp>

#include <gtest/gtest.h>

#include "support/runtime_forms.hpp"

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
  EnumComponents(&Form, Tree, Form, AddComponent, Lists.CaptionClasses, Lists.NoCaptionClasses);
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
