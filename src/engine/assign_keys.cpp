#include <keyloom/engine.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/host/stdctrls.hpp>
#include <keyloom/introspection.hpp>
#include <keyloom/tree.hpp>

namespace keyloom {

namespace {

// A node that shows a component's name, or stands for a no-caption class, has nothing to write.
bool IsWritable(const TObject* Component, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses) {
  if (IsClassInList(Component, NoCaptionClasses)) return false;
  return GetCaptionInfo(Component, CaptionClasses, NoCaptionClasses).Source != TCaptionSource::csName;
}

void WriteRadioGroupItem(const TRadioGroupIndex& Proxy, const std::string& Caption) {
  TRadioGroup* RadioGroup = Proxy.GetRadioGroup();
  if (!RadioGroup) return;
  TStrings& Items = *RadioGroup->GetItems();
  if (Proxy.GetIndex() < 0 || Proxy.GetIndex() >= Items.Count()) return;
  Items.Put(Proxy.GetIndex(), Caption);
}

// Every write that applies gets the same caption.
void WriteCaption(TObject* Component, const std::string& Caption, bool WritePublished) {
  if (WritePublished && HasProperty(Component, "Caption", TTypeKind::tkLString))
    SetPropertyLongString(Component, "Caption", Caption);
  if (auto* GroupBox = dynamic_cast<TGroupBox*>(Component)) GroupBox->SetText(Caption);
  if (auto* Item = dynamic_cast<TMenuItem*>(Component)) Item->SetCaption(Caption);
  if (const auto* Proxy = dynamic_cast<const TRadioGroupIndex*>(Component)) WriteRadioGroupItem(*Proxy, Caption);
}

}  // namespace

void AssignKeys(TCustomTreeView& Tree, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses,
                TObject* Sender, const TAssignEvent& Handler) {
  const TTreeNodes& Items = Tree.GetItems();
  // The count is read each time: a handler may have changed the tree.
  for (int I = 0; I < Items.GetCount(); ++I) {
    const TTreeNode* Node = Items.GetNodeFromIndex(I);
    TObject* Component = Node->GetData();
    if (!IsWritable(Component, CaptionClasses, NoCaptionClasses)) continue;
    std::string Caption = Node->GetText();
    if (Handler) Handler(Sender, Component, Caption);
    WriteCaption(Component, Caption, CaptionClasses.Count() > 0);
  }
}

}  // namespace keyloom
