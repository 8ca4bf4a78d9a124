#pragma once

// TKeyloomForm: the design-time editor window of one designed form. It shows
// the form's caption tree, follows changes of the form's controls while it is
// shown, and runs the pipeline's steps as commands: clear, move, sort, find
// and assign, after which the designer is told that the form changed. Its
// setup page edits the window's three class lists, kept per user, and the
// settings beyond the plain letter search (scope, strategy, non-Latin
// captions, placeholders, reserved letters) of the TKeyloom on the designed
// form, which are that component's properties and saved with the form.

#include <keyloom/design/designer.hpp>
#include <keyloom/host.hpp>
#include <keyloom/key_options.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace keyloom {

class TKeyloom;

class TKeyloomForm : public TForm {
  KEYLOOM_CLASS(TKeyloomForm)
 public:
  // Reads the layout resource "TKEYLOOMFORM" into the new window, binding its
  // handlers by name, loads the pictures, then runs FormCreate.
  explicit TKeyloomForm(TComponent* AOwner);
  // Takes the window out of the designed form's message chain, then runs FormDestroy.
  ~TKeyloomForm() override;

  // Set by the component editor before each show; the window does not own the form.
  TCustomForm* GetOwnerForm() const { return FOwnerForm; }
  void SetOwnerForm(TCustomForm* Form);
  const std::shared_ptr<IDesigner>& GetDesigner() const { return FDesigner; }
  void SetDesigner(std::shared_ptr<IDesigner> Designer) { FDesigner = std::move(Designer); }
  // Whether the window's hook is in the designed form's message chain.
  bool IsHooked() const { return FOwnerWndProc != nullptr; }

  // The TKeyloom whose settings the setup page edits and Find uses: the
  // first one the designed form owns, looked up on each show and on opening
  // the setup page; nil when the form has none.
  TKeyloom* GetKeyloom() const { return FKeyloom; }
  // The settings Find uses: the component's, or the defaults without one.
  TKeyOptions GetKeyOptions() const;

  TStringList& GetCaptionClassList() { return FCaptionClassList; }
  TStringList& GetNoCaptionClassList() { return FNoCaptionClassList; }
  TStringList& GetDefaultCaptionList() { return FDefaultCaptionList; }

  // The dialogs and shell the window uses; the component editor hands over the designer's.
  TDesignServices Services = TDesignServices::Defaults();

  // The controls of the layout, found by name once it is read.
  TStatusBar* sbKeyloom = nullptr;
  TToolBar* tbKeyloom = nullptr;
  TSpeedButton* bClear = nullptr;
  TSpeedButton* bClearAll = nullptr;
  TSpeedButton* bMoveUp = nullptr;
  TSpeedButton* bMoveDown = nullptr;
  TSpeedButton* bFind = nullptr;
  TSpeedButton* bAssign = nullptr;
  TSpeedButton* bSetup = nullptr;
  TSpeedButton* bAbout = nullptr;
  TSpeedButton* bClose = nullptr;
  TNotebook* nbAbout = nullptr;
  TTreeView* tvControls = nullptr;
  TImageList* itComponentGraphics = nullptr;
  TPopupMenu* pmKeyloom = nullptr;
  TMenuItem* miNothing = nullptr;
  TMenuItem* miCaption = nullptr;
  TMenuItem* miCaptionLength = nullptr;
  TMenuItem* miUniqueLetters = nullptr;
  TPanel* pCaptions = nullptr;
  TLabel* lCaptions = nullptr;
  TListView* lvCaptions = nullptr;
  TSplitter* spSetup1 = nullptr;
  TPanel* pNoCaptions = nullptr;
  TLabel* lNoCaptions = nullptr;
  TListView* lvNoCaptions = nullptr;
  TSplitter* spSetup2 = nullptr;
  TPanel* pDefaultCaptions = nullptr;
  TLabel* lDefaultCaptions = nullptr;
  TListView* lvDefaultCaptions = nullptr;
  TPanel* pKeyOptions = nullptr;
  TLabel* lScope = nullptr;
  TComboBox* cbScope = nullptr;
  TLabel* lStrategy = nullptr;
  TComboBox* cbStrategy = nullptr;
  TLabel* lReservedLetters = nullptr;
  TEdit* eReservedLetters = nullptr;
  TLabel* lNonLatin = nullptr;
  TComboBox* cbNonLatin = nullptr;
  TLabel* lPlaceholders = nullptr;
  TComboBox* cbPlaceholders = nullptr;
  TPopupMenu* pmCaptions = nullptr;
  TMenuItem* miCaptionsNew = nullptr;
  TMenuItem* miCaptionsEdit = nullptr;
  TMenuItem* miCaptionsDelete = nullptr;
  TMenuItem* miCaptionsBreak = nullptr;
  TMenuItem* miCaptionsRestoreDefaults = nullptr;
  TPopupMenu* pmNoCaptions = nullptr;
  TMenuItem* miNoCaptionsNew = nullptr;
  TMenuItem* miNoCaptionsEdit = nullptr;
  TMenuItem* miNoCaptionsDelete = nullptr;
  TMenuItem* miNoCaptionsBreak = nullptr;
  TMenuItem* miNoCaptionsRestoreDefaults = nullptr;
  TPopupMenu* pmDefaultCaptions = nullptr;
  TMenuItem* miDefaultCaptionsNew = nullptr;
  TMenuItem* miDefaultCaptionsEdit = nullptr;
  TMenuItem* miDefaultCaptionsDelete = nullptr;
  TMenuItem* miDefaultCaptionsBreak = nullptr;
  TMenuItem* miDefaultCaptionsRestoreDefaults = nullptr;
  TPanel* pHolder = nullptr;
  TPanel* pAbout = nullptr;
  TLabel* lTitle = nullptr;
  TLabel* lVersion = nullptr;
  TLabel* lCredits = nullptr;
  TLabel* lHomepage = nullptr;
  TLabel* lInformation = nullptr;
  TLabel* lComponentHomepage = nullptr;

  // ---------------------------------------------------------------- window
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormHide(TObject* Sender);
  void FormResize(TObject* Sender);
  // The hook in the designed form's message chain.
  void OwnerWndProc(TMessage& Message);
  // Rebuilds the tree from the designed form (unsorted) and saves the lists.
  void UpdateKeyloom();
  void UpdateButtons();
  void UpdateListViews();
  void ResizeAbout();
  void LoadOptions();
  void SaveOptions();

  // ---------------------------------------------------------------- tree page
  void tvControlsChange(TObject* Sender, TTreeNode* Node);
  void tvControlsClick(TObject* Sender);
  void tvControlsCompare(TObject* Sender, TTreeNode* Node1, TTreeNode* Node2, int Data, int& Compare);
  void SortBy(TObject* Sender);
  void bClearClick(TObject* Sender);
  void bClearAllClick(TObject* Sender);
  void bMoveUpClick(TObject* Sender);
  void bMoveDownClick(TObject* Sender);
  void bFindClick(TObject* Sender);
  void bAssignClick(TObject* Sender);
  void bSetupClick(TObject* Sender);
  void bAboutClick(TObject* Sender);
  void bCloseClick(TObject* Sender);
  void ShowHint(TObject* Sender, TShiftState Shift, int X, int Y);
  void lHomepageClick(TObject* Sender);

  // ---------------------------------------------------------------- setup page
  void pmCaptionsPopup(TObject* Sender);
  void pmNoCaptionsPopup(TObject* Sender);
  void pmDefaultCaptionsPopup(TObject* Sender);
  void miCaptionsNewClick(TObject* Sender);
  void miNoCaptionsNewClick(TObject* Sender);
  void miDefaultCaptionsNewClick(TObject* Sender);
  void miCaptionsEditClick(TObject* Sender);
  void miNoCaptionsEditClick(TObject* Sender);
  void miDefaultCaptionsEditClick(TObject* Sender);
  void miCaptionsDeleteClick(TObject* Sender);
  void miNoCaptionsDeleteClick(TObject* Sender);
  void miDefaultCaptionsDeleteClick(TObject* Sender);
  void miCaptionsRestoreDefaultsClick(TObject* Sender);
  void miNoCaptionsRestoreDefaultsClick(TObject* Sender);
  void miDefaultCaptionsRestoreDefaultsClick(TObject* Sender);
  void lvCaptionsEdited(TObject* Sender, TListItem* Item, std::string& S);
  void lvNoCaptionsEdited(TObject* Sender, TListItem* Item, std::string& S);
  void lvDefaultCaptionsEdited(TObject* Sender, TListItem* Item, std::string& S);
  void lvCaptionsKeyDown(TObject* Sender, std::uint16_t& Key, TShiftState Shift);
  void lvNoCaptionsKeyDown(TObject* Sender, std::uint16_t& Key, TShiftState Shift);
  void lvDefaultCaptionsKeyDown(TObject* Sender, std::uint16_t& Key, TShiftState Shift);
  // Finds the component again and shows its settings.
  void UpdateKeyOptions();
  // A setting changed by the user: the component takes it, the form is modified.
  void KeyOptionsChange(TObject* Sender);

  void Notification(TComponent* AComponent, TOperation Operation) override;

  // One entry in the designed form's message chain: forwards every message
  // to the procedure it replaced, after the window's hook when the window is
  // still attached. Windows leave the chain in any order (see Unhook).
  struct THook;

 private:
  // One setup list: its view, its list, its popup, its key and defaults.
  struct TSetupList;
  TSetupList CaptionsSetup();
  TSetupList NoCaptionsSetup();
  TSetupList DefaultCaptionsSetup();
  void ListPopup(const TSetupList& L);
  void ListNew(const TSetupList& L);
  void ListEdit(const TSetupList& L);
  void ListDelete(const TSetupList& L);
  void ListRestoreDefaults(const TSetupList& L);
  void ListEdited(const TSetupList& L, TListItem* Item, const std::string& S);
  void ListKeyDown(const TSetupList& L, std::uint16_t Key);

  void ReadLayout();
  void LoadPictures();
  void Hook();
  void Unhook();
  void BuildTree();
  void ClearTree();
  void WatchTreeComponents();
  void ForgetComponent(TComponent* Component);

  void SetKeyloom(TKeyloom* Keyloom);

  TCustomForm* FOwnerForm = nullptr;
  TKeyloom* FKeyloom = nullptr;
  std::shared_ptr<THook> FOwnerWndProc;
  std::shared_ptr<IDesigner> FDesigner;
  TStringList FCaptionClassList;
  TStringList FNoCaptionClassList;
  TStringList FDefaultCaptionList;
  // The components the tree's nodes stand for, watched so that no node
  // outlives its component.
  std::vector<TComponent*> FWatched;
};

}  // namespace keyloom
