// The setup page of the editor window: the three class lists, edited in
// place, each change rebuilding the tree and saving the lists.

#include <keyloom/default_lists.hpp>
#include <keyloom/design/keyloom_form.hpp>
#include <keyloom/design/options_store.hpp>
#include <keyloom/host/user_store.hpp>

#include <span>
#include <string_view>

namespace keyloom {

namespace {

constexpr std::uint16_t VK_INSERT = 45;
constexpr std::uint16_t VK_DELETE = 46;
constexpr std::uint16_t VK_F2 = 113;

}  // namespace

struct TKeyloomForm::TSetupList {
  TListView* View;
  TStringList* List;
  TMenuItem* EditItem;
  TMenuItem* DeleteItem;
  std::string_view Key;
};

TKeyloomForm::TSetupList TKeyloomForm::CaptionsSetup() {
  return {lvCaptions, &FCaptionClassList, miCaptionsEdit, miCaptionsDelete, CaptionsKey};
}

TKeyloomForm::TSetupList TKeyloomForm::NoCaptionsSetup() {
  return {lvNoCaptions, &FNoCaptionClassList, miNoCaptionsEdit, miNoCaptionsDelete, NoCaptionsKey};
}

TKeyloomForm::TSetupList TKeyloomForm::DefaultCaptionsSetup() {
  return {lvDefaultCaptions, &FDefaultCaptionList, miDefaultCaptionsEdit, miDefaultCaptionsDelete,
          DefaultCaptionsKey};
}

void TKeyloomForm::UpdateListViews() {
  for (const TSetupList& L : {CaptionsSetup(), NoCaptionsSetup(), DefaultCaptionsSetup()}) {
    L.View->ClearItems();
    for (const std::string& Entry : L.List->Items()) L.View->AddItem(Entry);
  }
}

void TKeyloomForm::ListPopup(const TSetupList& L) {
  const bool Selected = L.View->GetSelected() != nullptr;
  L.EditItem->SetEnabled(Selected);
  L.DeleteItem->SetEnabled(Selected);
}

void TKeyloomForm::ListNew(const TSetupList& L) {
  TListItem* Item = L.View->AddItem("");
  Item->EditCaption();
  // The entry exists from now on; the edit, when confirmed, fills it in.
  L.List->Add(Item->GetCaption());
}

void TKeyloomForm::ListEdit(const TSetupList& L) {
  if (TListItem* Item = L.View->GetSelected()) Item->EditCaption();
}

void TKeyloomForm::ListEdited(const TSetupList& L, TListItem* Item, const std::string& S) {
  const int Index = Item ? Item->GetIndex() : -1;
  // View and list stay in step; an item without an entry changes nothing.
  if (Index < 0 || Index >= L.List->Count()) return;
  L.List->Put(Index, S);
  UpdateKeyloom();
}

void TKeyloomForm::ListDelete(const TSetupList& L) {
  TListItem* Item = L.View->GetSelected();
  if (!Item) return;
  const std::string Text = "Are you sure you want to delete " + Item->GetCaption() + "?";
  const int Answer = Services.MessageBox ? Services.MessageBox(Text, "Confirm", MB_YESNO | MB_ICONQUESTION) : 0;
  if (Answer != IDYES) return;
  // The answer may come after the view changed; delete only what is still there.
  const int Index = L.View->IndexOfItem(Item);
  if (Index < 0 || Index >= L.List->Count()) return;
  L.List->Delete(Index);
  L.View->DeleteItem(Item);
  UpdateKeyloom();
}

void TKeyloomForm::ListRestoreDefaults(const TSetupList& L) {
  {
    TRegistry Registry;
    Registry.DeleteKey(L.Key);
  }
  LoadOptions();
  UpdateListViews();
  UpdateKeyloom();
}

void TKeyloomForm::ListKeyDown(const TSetupList& L, std::uint16_t Key) {
  if (Key == VK_INSERT)
    ListNew(L);
  else if (Key == VK_F2)
    ListEdit(L);
  else if (Key == VK_DELETE)
    ListDelete(L);
}

void TKeyloomForm::pmCaptionsPopup(TObject*) { ListPopup(CaptionsSetup()); }
void TKeyloomForm::pmNoCaptionsPopup(TObject*) { ListPopup(NoCaptionsSetup()); }
void TKeyloomForm::pmDefaultCaptionsPopup(TObject*) { ListPopup(DefaultCaptionsSetup()); }

void TKeyloomForm::miCaptionsNewClick(TObject*) { ListNew(CaptionsSetup()); }
void TKeyloomForm::miNoCaptionsNewClick(TObject*) { ListNew(NoCaptionsSetup()); }
void TKeyloomForm::miDefaultCaptionsNewClick(TObject*) { ListNew(DefaultCaptionsSetup()); }

void TKeyloomForm::miCaptionsEditClick(TObject*) { ListEdit(CaptionsSetup()); }
void TKeyloomForm::miNoCaptionsEditClick(TObject*) { ListEdit(NoCaptionsSetup()); }
void TKeyloomForm::miDefaultCaptionsEditClick(TObject*) { ListEdit(DefaultCaptionsSetup()); }

void TKeyloomForm::miCaptionsDeleteClick(TObject*) { ListDelete(CaptionsSetup()); }
void TKeyloomForm::miNoCaptionsDeleteClick(TObject*) { ListDelete(NoCaptionsSetup()); }
void TKeyloomForm::miDefaultCaptionsDeleteClick(TObject*) { ListDelete(DefaultCaptionsSetup()); }

void TKeyloomForm::miCaptionsRestoreDefaultsClick(TObject*) { ListRestoreDefaults(CaptionsSetup()); }
void TKeyloomForm::miNoCaptionsRestoreDefaultsClick(TObject*) { ListRestoreDefaults(NoCaptionsSetup()); }
void TKeyloomForm::miDefaultCaptionsRestoreDefaultsClick(TObject*) { ListRestoreDefaults(DefaultCaptionsSetup()); }

void TKeyloomForm::lvCaptionsEdited(TObject*, TListItem* Item, std::string& S) { ListEdited(CaptionsSetup(), Item, S); }
void TKeyloomForm::lvNoCaptionsEdited(TObject*, TListItem* Item, std::string& S) {
  ListEdited(NoCaptionsSetup(), Item, S);
}
void TKeyloomForm::lvDefaultCaptionsEdited(TObject*, TListItem* Item, std::string& S) {
  ListEdited(DefaultCaptionsSetup(), Item, S);
}

void TKeyloomForm::lvCaptionsKeyDown(TObject*, std::uint16_t& Key, TShiftState) { ListKeyDown(CaptionsSetup(), Key); }
void TKeyloomForm::lvNoCaptionsKeyDown(TObject*, std::uint16_t& Key, TShiftState) {
  ListKeyDown(NoCaptionsSetup(), Key);
}
void TKeyloomForm::lvDefaultCaptionsKeyDown(TObject*, std::uint16_t& Key, TShiftState) {
  ListKeyDown(DefaultCaptionsSetup(), Key);
}

}  // namespace keyloom
