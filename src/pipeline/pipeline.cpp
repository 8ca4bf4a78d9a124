#include <keyloom/default_lists.hpp>
#include <keyloom/markup.hpp>
#include <keyloom/pipeline.hpp>

namespace keyloom {

namespace {

std::vector<std::string> ToVector(std::span<const std::string_view> Table) { return {Table.begin(), Table.end()}; }

}  // namespace

TKeySettings::TKeySettings()
    : CaptionClasses(ToVector(DefaultCaptionClasses)),
      NoCaptionClasses(ToVector(DefaultNoCaptionClasses)),
      DefaultCaptions(ToVector(DefaultDefaultCaptions)) {}

TSettingLists::TSettingLists(const TKeySettings& Settings) {
  CaptionClasses.Assign(Settings.CaptionClasses);
  NoCaptionClasses.Assign(Settings.NoCaptionClasses);
  DefaultCaptions.Assign(Settings.DefaultCaptions);
}

void BuildWorkingTree(TCustomTreeView& Tree, TComponent& Form, const TStrings& CaptionClasses,
                      const TStrings& NoCaptionClasses) {
  ClearWorkingTree(Tree);
  EnumComponents(AsClass<TCustomForm>(&Form), Tree, Form, CaptionClasses, NoCaptionClasses);
}

// The same order as AlphaSort with CompareNodes as the compare event, without
// working out each caption's keys at every comparison.
void SortWorkingTree(TCustomTreeView& Tree, TSortMethod Method) { SortTree(Tree, Method); }

void StripWorkingTree(TCustomTreeView& Tree) {
  const TTreeNodes& Items = Tree.GetItems();
  const int Count = Items.GetCount();
  for (int I = 0; I < Count; ++I) {
    TTreeNode* Node = Items.GetNodeFromIndex(I);
    Node->SetText(DeleteAccelerator(Node->GetText()));
  }
}

void StripWorkingTree(TCustomTreeView& Tree, const TKeptCaptions& Kept) {
  if (!Kept) return StripWorkingTree(Tree);
  const TTreeNodes& Items = Tree.GetItems();
  const int Count = Items.GetCount();
  for (int I = 0; I < Count; ++I) {
    TTreeNode* Node = Items.GetNodeFromIndex(I);
    if (!Kept(Node->GetData())) Node->SetText(DeleteAccelerator(Node->GetText()));
  }
}

void FindLetters(TCustomTreeView& Tree, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses,
                 const TStrings& DefaultCaptions, const TKeyOptions& Options) {
  const TUsedLetters Used;
  Find(Tree, Used, nullptr, nullptr, CaptionClasses, NoCaptionClasses, DefaultCaptions, Options);
}

void RunPipeline(TCustomTreeView& Tree, TComponent& Form, const TPipelineRun& Run) {
  BuildWorkingTree(Tree, Form, Run.CaptionClasses, Run.NoCaptionClasses);
  if (Run.SortByEvent)
    Tree.AlphaSort();
  else
    SortWorkingTree(Tree, Run.SortMethod);
  if (!Run.OnlyUnassigned) StripWorkingTree(Tree);
  FindLetters(Tree, Run.CaptionClasses, Run.NoCaptionClasses, Run.DefaultCaptions, Run.Options);
  static const TAssignEvent NoHandler;
  AssignKeys(Tree, Run.CaptionClasses, Run.NoCaptionClasses, Run.Sender, Run.OnAssign ? *Run.OnAssign : NoHandler);
}

void RunPipeline(TComponent& Form, const TKeySettings& Settings) { RunPipeline(Form, Settings, nullptr); }

void RunPipeline(TComponent& Form, const TKeySettings& Settings, const TKeptCaptions& Kept) {
  if (!Settings.Active) return;
  if (Kept && !Settings.OnlyUnassigned) {
    const TSettingLists Lists(Settings);
    TTreeView Tree(nullptr);
    BuildWorkingTree(Tree, Form, Lists.CaptionClasses, Lists.NoCaptionClasses);
    SortWorkingTree(Tree, Settings.SortMethod);
    StripWorkingTree(Tree, Kept);
    FindLetters(Tree, Lists.CaptionClasses, Lists.NoCaptionClasses, Lists.DefaultCaptions, Settings.Options);
    AssignKeys(Tree, Lists.CaptionClasses, Lists.NoCaptionClasses, nullptr, TAssignEvent());
    return;
  }
  const TSettingLists Lists(Settings);
  TTreeView Tree(nullptr);
  RunPipeline(Tree, Form,
              {.CaptionClasses = Lists.CaptionClasses,
               .NoCaptionClasses = Lists.NoCaptionClasses,
               .DefaultCaptions = Lists.DefaultCaptions,
               .SortMethod = Settings.SortMethod,
               .SortByEvent = false,
               .OnlyUnassigned = Settings.OnlyUnassigned,
               .Options = Settings.Options,
               .Sender = nullptr,
               .OnAssign = nullptr});
}

void BuildWorkingTree(TCustomTreeView& Tree, TComponent& Form, const TKeySettings& Settings) {
  const TSettingLists Lists(Settings);
  BuildWorkingTree(Tree, Form, Lists.CaptionClasses, Lists.NoCaptionClasses);
  const TSortMethod Method = Settings.SortMethod;
  // A face may sort again later (the editor, after a caption edit) by the event.
  Tree.OnCompare = [Method](TObject*, TTreeNode* Node1, TTreeNode* Node2, int, int& Compare) {
    CompareNodes(Method, *Node1, *Node2, Compare);
  };
  SortWorkingTree(Tree, Method);
}

void FindInWorkingTree(TCustomTreeView& Tree, const TKeySettings& Settings) {
  FindInWorkingTree(Tree, Settings, nullptr);
}

void FindInWorkingTree(TCustomTreeView& Tree, const TKeySettings& Settings, const TKeptCaptions& Kept) {
  if (!Settings.OnlyUnassigned) StripWorkingTree(Tree, Kept);
  const TSettingLists Lists(Settings);
  FindLetters(Tree, Lists.CaptionClasses, Lists.NoCaptionClasses, Lists.DefaultCaptions, Settings.Options);
}

}  // namespace keyloom
