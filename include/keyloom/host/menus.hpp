#pragma once

// Menus: main and popup menus and their tree of items.

#include <keyloom/host/classes.hpp>

#include <vector>

namespace keyloom {

class TMenu;
class TBasicAction;

class TMenuItem : public TComponent {
  KEYLOOM_CLASS(TMenuItem)
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  const std::string& GetCaption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  bool GetChecked() const { return FChecked; }
  // Checking a radio item unchecks the other radio items of its group among its siblings.
  void SetChecked(bool Value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  bool GetRadioItem() const { return FRadioItem; }
  void SetRadioItem(bool Value) { FRadioItem = Value; }
  bool GetAutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool Value) { FAutoCheck = Value; }
  int GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int Value) { FGroupIndex = Value; }
  const std::string& GetHint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  int GetShortCut() const { return FShortCut; }
  void SetShortCut(int Value) { FShortCut = Value; }
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value) { FImageIndex = Value; }
  TBasicAction* GetAction() const { return FAction; }
  void SetAction(TBasicAction* Action);

  int GetCount() const { return static_cast<int>(FItems.size()); }
  TMenuItem* GetItem(int Index) const { return FItems.at(static_cast<std::size_t>(Index)); }
  const std::vector<TMenuItem*>& Items() const { return FItems; }
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  void Remove(TMenuItem* Item);
  int IndexOf(const TMenuItem* Item) const;
  TMenuItem* GetParent() const { return FParent; }
  // The menu whose root item this is, or that holds this item anywhere below its root.
  TMenu* GetMenu() const;

  // The item above; for a top-row item its menu.
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

  virtual void Click();
  TNotifyEvent OnClick;
  // Told of changes a view of the item shows.
  std::function<void(TMenuItem& Item)> OnHostChanged;

 private:
  friend class TMenu;
  void Changed();
  std::string FCaption;
  bool FChecked = false;
  bool FEnabled = true;
  bool FVisible = true;
  bool FRadioItem = false;
  bool FAutoCheck = false;
  int FGroupIndex = 0;
  std::string FHint;
  int FShortCut = 0;
  int FImageIndex = -1;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on a menu's root item only
  TBasicAction* FAction = nullptr;
};

class TMenu : public TComponent {
  KEYLOOM_CLASS(TMenu)
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  // The root item; its children are the menu's top row.
  TMenuItem* GetItems() const { return FItems; }

 private:
  TMenuItem* FItems;
};

class TMainMenu : public TMenu {
  KEYLOOM_CLASS(TMainMenu)
 public:
  using TMenu::TMenu;
};

class TPopupMenu : public TMenu {
  KEYLOOM_CLASS(TPopupMenu)
 public:
  using TMenu::TMenu;
  // Runs OnPopup, then shows the menu (the desktop face does the showing).
  void Popup(int X, int Y);
  TComponent* GetPopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* C) { FPopupComponent = C; }
  TNotifyEvent OnPopup;
  std::function<void(TPopupMenu& Menu, int X, int Y)> OnShowMenu;

 private:
  TComponent* FPopupComponent = nullptr;
};

}  // namespace keyloom
