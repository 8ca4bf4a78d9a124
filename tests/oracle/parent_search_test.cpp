// The parent search looks up the nodes of the component's chain; on any tree,
// also one where several nodes stand for the same component (built twice
// without clearing), it must pick what a scan of every node picks: the last
// node in pre-order that stands for the component or one on its chain.

#include <keyloom/tree.hpp>

#include <gtest/gtest.h>

#include "oracle/literal_pipeline.hpp"
#include "oracle/random_forms.hpp"

#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace keyloom::oracle {
namespace {

// A random form of the seed, with its plan's class lists.
struct TSeededForm {
  explicit TSeededForm(std::uint32_t Seed) : Plan(TPlanner(Seed).Make()), Made(MakeForm(Plan)) {
    CaptionClasses.Assign(Plan.CaptionClasses);
    NoCaptionClasses.Assign(Plan.NoCaptionClasses);
  }
  TPlan Plan;
  TMadeForm Made;
  TStringList CaptionClasses;
  TStringList NoCaptionClasses;
};

TEST(ParentSearch, PicksTheLastNodeOnTheChainAlsoWhenComponentsHaveSeveralNodes) {
  int Checked = 0;
  int Shared = 0;
  for (std::uint32_t Seed = 1; Seed <= 150; ++Seed) {
    TSeededForm Seeded(Seed);
    TMadeForm& Made = Seeded.Made;
    const TStringList& CaptionClasses = Seeded.CaptionClasses;
    const TStringList& NoCaptionClasses = Seeded.NoCaptionClasses;
    TTreeView Tree(nullptr);
    auto Checking = [&](TObject* Component, TCustomTreeView& View, int Level, const TStrings& List1,
                        const TStrings& List2) {
      const TTreeNodes& Items = View.GetItems();
      const TTreeNode* Expected = nullptr;
      for (int I = 0; I < Items.GetCount(); ++I)
        if (oracle::IsSelfOrAncestor(Component, Items.GetNodeFromIndex(I)->GetData())) Expected = Items.GetNodeFromIndex(I);
      std::set<const TTreeNode*> Before;
      for (int I = 0; I < Items.GetCount(); ++I) Before.insert(Items.GetNodeFromIndex(I));
      Shared += Items.HasSharedData();
      keyloom::AddComponent(Component, View, Level, List1, List2);
      // Every node added now hangs under the expected parent.
      for (int I = 0; I < Items.GetCount(); ++I) {
        const TTreeNode* Node = Items.GetNodeFromIndex(I);
        if (Before.count(Node)) continue;
        ASSERT_EQ(Node->GetParent(), Expected) << "seed " << Seed << ", " << IdentityOf(Made, Component);
        ++Checked;
      }
    };
    // Twice without clearing: the second build finds two nodes for many components.
    for (int Build = 0; Build < 2; ++Build)
      EnumComponents(Made.Form.get(), Tree, *Made.Form, Checking, CaptionClasses, NoCaptionClasses);
  }
  EXPECT_GT(Checked, 1000);
  EXPECT_GT(Shared, 100);
}

// Handed AddComponent itself, building remembers the answers for parent
// chains between components; the tree must come out as when every search
// walks its chain, also when built a second time over the first.
TEST(ParentSearch, RememberedAnswersBuildTheSameTree) {
  using TShape = std::vector<std::tuple<const TObject*, std::string, int>>;
  auto ShapeOf = [](const TTreeNodes& Items) {
    TShape Shape;
    for (int I = 0; I < Items.GetCount(); ++I) {
      const TTreeNode* Node = Items.GetNodeFromIndex(I);
      const TObject* Data = Node->GetData();
      // Radio group items stand for proxies that differ between trees.
      if (const auto* Proxy = AsClass<TRadioGroupIndex>(Data)) Data = Proxy->GetRadioGroup();
      Shape.emplace_back(Data, Node->GetText(), Node->GetParent() ? Node->GetParent()->GetAbsoluteIndex() : -1);
    }
    return Shape;
  };
  int Nodes = 0;
  for (std::uint32_t Seed = 1; Seed <= 150; ++Seed) {
    TSeededForm Seeded(Seed);
    TMadeForm& Made = Seeded.Made;
    const TStringList& CaptionClasses = Seeded.CaptionClasses;
    const TStringList& NoCaptionClasses = Seeded.NoCaptionClasses;
    TTreeView Remembering(nullptr);
    TTreeView Walking(nullptr);
    // A handler told of the tree's changes adds a node of its own, once, for
    // a container: the parent of everything inside it changes from then on.
    const TComponent* Container = nullptr;
    for (const TComponent* C : Made.Form->Components())
      if (const auto* Win = AsClass<TWinControl>(C); Win && Win->GetControlCount() > 0 && !Container) Container = C;
    auto Meddle = [Container](TTreeView& View) {
      View.OnNodesChanged = [&View, Container, Done = false](TObject*) mutable {
        if (Done || !Container || View.GetItems().GetCount() != 8) return;
        Done = true;
        View.GetItems().AddChildObject(nullptr, "Meddled", const_cast<TComponent*>(Container));
      };
    };
    if (Seed % 2 == 0) {
      Meddle(Remembering);
      Meddle(Walking);
    }
    auto Wrapped = [](TObject* Component, TCustomTreeView& View, int Level, const TStrings& List1,
                      const TStrings& List2) { keyloom::AddComponent(Component, View, Level, List1, List2); };
    for (int Build = 0; Build < 2; ++Build) {
      keyloom::EnumComponents(Made.Form.get(), Remembering, *Made.Form, CaptionClasses, NoCaptionClasses);
      EnumComponents(Made.Form.get(), Walking, *Made.Form, Wrapped, CaptionClasses, NoCaptionClasses);
      ASSERT_EQ(ShapeOf(Remembering.GetItems()), ShapeOf(Walking.GetItems())) << "seed " << Seed << ", build " << Build;
    }
    Nodes += Remembering.GetItems().GetCount();
  }
  EXPECT_GT(Nodes, 2000);
}

}  // namespace
}  // namespace keyloom::oracle
