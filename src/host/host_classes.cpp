#include <keyloom/host/actnlist.hpp>
#include <keyloom/host/buttons.hpp>
#include <keyloom/host/comctrls.hpp>
#include <keyloom/host/extctrls.hpp>
#include <keyloom/host/forms.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/host/stdctrls.hpp>

#include "host/host_classes.hpp"

namespace keyloom {

std::vector<const TClassInfo*> HostClasses() {
  return {
      &TObject::StaticClassInfo(),          &TPersistent::StaticClassInfo(),
      &TStrings::StaticClassInfo(),         &TStringList::StaticClassInfo(),
      &TCollectionItem::StaticClassInfo(),  &TCollection::StaticClassInfo(),
      &TListColumn::StaticClassInfo(),      &TListColumns::StaticClassInfo(),
      &TComponent::StaticClassInfo(),       &TFont::StaticClassInfo(),
      &TControl::StaticClassInfo(),         &TWinControl::StaticClassInfo(),
      &TGraphicControl::StaticClassInfo(),  &TCustomControl::StaticClassInfo(),
      &TScrollingWinControl::StaticClassInfo(), &TScrollBox::StaticClassInfo(),
      &TCustomForm::StaticClassInfo(),      &TForm::StaticClassInfo(),
      &TCustomFrame::StaticClassInfo(),     &TFrame::StaticClassInfo(),
      &TButtonControl::StaticClassInfo(),   &TButton::StaticClassInfo(),
      &TCustomCheckBox::StaticClassInfo(),  &TCheckBox::StaticClassInfo(),
      &TRadioButton::StaticClassInfo(),     &TCustomLabel::StaticClassInfo(),
      &TLabel::StaticClassInfo(),           &TCustomStaticText::StaticClassInfo(),
      &TStaticText::StaticClassInfo(),      &TCustomGroupBox::StaticClassInfo(),
      &TGroupBox::StaticClassInfo(),        &TCustomEdit::StaticClassInfo(),
      &TEdit::StaticClassInfo(),            &TCustomMemo::StaticClassInfo(),
      &TMemo::StaticClassInfo(),            &TCustomComboBox::StaticClassInfo(),
      &TComboBox::StaticClassInfo(),        &TCustomListBox::StaticClassInfo(),
      &TListBox::StaticClassInfo(),         &TCustomPanel::StaticClassInfo(),
      &TPanel::StaticClassInfo(),           &TCustomRadioGroup::StaticClassInfo(),
      &TRadioGroup::StaticClassInfo(),      &TImage::StaticClassInfo(),
      &TBevel::StaticClassInfo(),           &TSplitter::StaticClassInfo(),
      &TShape::StaticClassInfo(),           &TPaintBox::StaticClassInfo(),
      &TPage::StaticClassInfo(),            &TNotebook::StaticClassInfo(),
      &TTimer::StaticClassInfo(),           &TBitBtn::StaticClassInfo(),
      &TSpeedButton::StaticClassInfo(),     &TCustomImageList::StaticClassInfo(),
      &TImageList::StaticClassInfo(),       &TCustomTabControl::StaticClassInfo(),
      &TTabControl::StaticClassInfo(),      &TPageControl::StaticClassInfo(),
      &TTabSheet::StaticClassInfo(),        &TToolWindow::StaticClassInfo(),
      &TToolBar::StaticClassInfo(),         &TToolButton::StaticClassInfo(),
      &TStatusBar::StaticClassInfo(),       &TCustomTreeView::StaticClassInfo(),
      &TTreeView::StaticClassInfo(),        &TCustomListView::StaticClassInfo(),
      &TListView::StaticClassInfo(),        &TMenu::StaticClassInfo(),
      &TMainMenu::StaticClassInfo(),        &TPopupMenu::StaticClassInfo(),
      &TMenuItem::StaticClassInfo(),
      &TBasicAction::StaticClassInfo(),     &TContainedAction::StaticClassInfo(),
      &TCustomAction::StaticClassInfo(),    &TAction::StaticClassInfo(),
      &TCustomActionList::StaticClassInfo(), &TActionList::StaticClassInfo(),
  };
}

}  // namespace keyloom
