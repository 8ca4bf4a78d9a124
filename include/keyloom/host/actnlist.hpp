#pragma once

// Actions: commands that controls and menu items show. A control or menu item
// linked to an action shows the action's caption, and a caption given to the
// action goes to every client still showing the old one, as the framework's
// action links do.

#include <keyloom/host/classes.hpp>

#include <string>
#include <vector>

namespace keyloom {

class TBasicAction : public TComponent {
  KEYLOOM_CLASS(TBasicAction)
 public:
  using TComponent::TComponent;
};

class TContainedAction : public TBasicAction {
  KEYLOOM_CLASS(TContainedAction)
 public:
  using TBasicAction::TBasicAction;
};

class TCustomAction : public TContainedAction {
  KEYLOOM_CLASS(TCustomAction)
 public:
  using TContainedAction::TContainedAction;
  ~TCustomAction() override;

  const std::string& GetCaption() const { return FCaption; }
  // Clients that show the old caption show the new one.
  void SetCaption(const std::string& Value);

  // Called by controls and menu items as they link and unlink.
  void AddClient(TComponent* Client);
  void RemoveClient(TComponent* Client);
  const std::vector<TComponent*>& Clients() const { return FClients; }

  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  std::string FCaption;
  std::vector<TComponent*> FClients;
};

class TAction : public TCustomAction {
  KEYLOOM_CLASS(TAction)
 public:
  using TCustomAction::TCustomAction;
};

class TCustomActionList : public TComponent {
  KEYLOOM_CLASS(TCustomActionList)
 public:
  using TComponent::TComponent;
};

class TActionList : public TCustomActionList {
  KEYLOOM_CLASS(TActionList)
 public:
  using TCustomActionList::TCustomActionList;
};

// The caption a client shows and how it is changed: a control's text or a
// menu item's caption; "" and no-op for anything else.
std::string ClientCaption(const TComponent& Client);
void SetClientCaption(TComponent& Client, const std::string& Value);

// Links Client to Action (either may be nil for Action): the framework's
// action link. The client takes the action's caption unless it is loading
// and shows a caption of its own, which then wins.
void LinkAction(TComponent& Client, TBasicAction*& Slot, TBasicAction* Action);

// The action whose caption the component shows: it is linked to one and
// shows that action's caption. Nil otherwise.
TCustomAction* CaptionActionOf(const TObject* Component);

}  // namespace keyloom
