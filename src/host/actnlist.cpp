#include <keyloom/host/actnlist.hpp>
#include <keyloom/host/controls.hpp>
#include <keyloom/host/menus.hpp>
#include <keyloom/host/published.hpp>

#include "host/erase_last.hpp"

#include <algorithm>
#include <utility>

namespace keyloom {

namespace P = published;

const TClassInfo& TBasicAction::MakeStaticClassInfo() {
  static const TClassInfo Info("TBasicAction", &TComponent::StaticClassInfo());
  return Info;
}

const TClassInfo& TContainedAction::MakeStaticClassInfo() {
  static const TClassInfo Info("TContainedAction", &TBasicAction::StaticClassInfo());
  return Info;
}

const TClassInfo& TCustomAction::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomAction", &TContainedAction::StaticClassInfo(),
                               {P::String<TCustomAction>("Caption", &TCustomAction::GetCaption,
                                                         &TCustomAction::SetCaption)});
  return Info;
}

const TClassInfo& TAction::MakeStaticClassInfo() {
  static const TClassInfo Info("TAction", &TCustomAction::StaticClassInfo(), {}, P::Factory<TAction>());
  return Info;
}

const TClassInfo& TCustomActionList::MakeStaticClassInfo() {
  static const TClassInfo Info("TCustomActionList", &TComponent::StaticClassInfo());
  return Info;
}

const TClassInfo& TActionList::MakeStaticClassInfo() {
  static const TClassInfo Info("TActionList", &TCustomActionList::StaticClassInfo(), {},
                               P::Factory<TActionList>());
  return Info;
}

TCustomAction::~TCustomAction() { BeginDestroy(); }

void TCustomAction::SetCaption(const std::string& Value) {
  if (Value == FCaption) return;
  const std::string Old = std::exchange(FCaption, Value);
  // A client whose caption was set apart from the action keeps it.
  for (TComponent* Client : FClients)
    if (ClientCaption(*Client) == Old) SetClientCaption(*Client, Value);
}

void TCustomAction::AddClient(TComponent* Client) {
  if (!Client || std::find(FClients.begin(), FClients.end(), Client) != FClients.end()) return;
  FClients.push_back(Client);
  FreeNotification(Client);
}

void TCustomAction::RemoveClient(TComponent* Client) { EraseLastOf(FClients, Client); }

void TCustomAction::Notification(TComponent* AComponent, TOperation Operation) {
  TContainedAction::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove) RemoveClient(AComponent);
}

std::string ClientCaption(const TComponent& Client) {
  if (const auto* Control = AsClass<TControl>(&Client)) return Control->GetText();
  if (const auto* Item = AsClass<TMenuItem>(&Client)) return Item->GetCaption();
  return {};
}

void SetClientCaption(TComponent& Client, const std::string& Value) {
  if (auto* Control = AsClass<TControl>(&Client))
    Control->SetText(Value);
  else if (auto* Item = AsClass<TMenuItem>(&Client))
    Item->SetCaption(Value);
}

void LinkAction(TComponent& Client, TBasicAction*& Slot, TBasicAction* Action) {
  if (Action == Slot) return;
  if (auto* Old = AsClass<TCustomAction>(Slot)) Old->RemoveClient(&Client);
  if (Slot) Client.RemoveFreeNotification(Slot);
  Slot = Action;
  if (!Action) return;
  Client.FreeNotification(Action);
  auto* Custom = AsClass<TCustomAction>(Action);
  if (!Custom) return;
  Custom->AddClient(&Client);
  // A client read from a file keeps the caption the file stores for it.
  if (!Client.HasState(csLoading) || ClientCaption(Client).empty()) SetClientCaption(Client, Custom->GetCaption());
}

TCustomAction* CaptionActionOf(const TObject* Component) {
  TBasicAction* Action = nullptr;
  if (const auto* Control = AsClass<TControl>(Component))
    Action = Control->GetAction();
  else if (const auto* Item = AsClass<TMenuItem>(Component))
    Action = Item->GetAction();
  auto* Custom = AsClass<TCustomAction>(Action);
  if (!Custom || Custom->GetCaption().empty()) return nullptr;
  return ClientCaption(*static_cast<const TComponent*>(Component)) == Custom->GetCaption() ? Custom : nullptr;
}

}  // namespace keyloom
