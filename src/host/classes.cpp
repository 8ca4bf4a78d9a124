#include <keyloom/host/classes.hpp>
#include <keyloom/host/published.hpp>

#include "host/memory/component_heap.hpp"
#include "host/erase_last.hpp"

#include <algorithm>
#include <atomic>

namespace keyloom {

namespace P = published;

const TClassInfo& TObject::MakeStaticClassInfo() {
  static const TClassInfo Info("TObject", nullptr);
  return Info;
}

void TObject::SetRuntimeClass(const TClassInfo* Info) {
  // Not owned: an empty owner with the pointer aliased.
  SetRuntimeClass(std::shared_ptr<const TClassInfo>(std::shared_ptr<const TClassInfo>(), Info));
}

void TObject::SetRuntimeClass(std::shared_ptr<const TClassInfo> Info) {
  if (Info && !Info->InheritsFrom(&StaticType()))
    throw EKeyloomError("Class " + Info->ClassName() + " does not descend from " + StaticType().ClassName());
  FRuntimeClass = std::move(Info);
}

const TClassInfo& TPersistent::MakeStaticClassInfo() {
  static const TClassInfo Info("TPersistent", &TObject::StaticClassInfo());
  return Info;
}

// ---------------------------------------------------------------- strings

const TClassInfo& TStrings::MakeStaticClassInfo() {
  static const TClassInfo Info("TStrings", &TPersistent::StaticClassInfo());
  return Info;
}

const TClassInfo& TStringList::MakeStaticClassInfo() {
  static const TClassInfo Info("TStringList", &TStrings::StaticClassInfo());
  return Info;
}

void TStrings::CheckIndex(int Index, bool AllowEnd) const {
  const int Limit = AllowEnd ? Count() : Count() - 1;
  if (Index < 0 || Index > Limit)
    throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
}

const std::string& TStrings::Get(int Index) const {
  CheckIndex(Index, false);
  return FItems[static_cast<std::size_t>(Index)];
}

void TStrings::Put(int Index, const std::string& S) {
  CheckIndex(Index, false);
  FItems[static_cast<std::size_t>(Index)] = S;
  Changed();
}

int TStrings::Add(const std::string& S) {
  FItems.push_back(S);
  Changed();
  return Count() - 1;
}

void TStrings::Insert(int Index, const std::string& S) {
  CheckIndex(Index, true);
  FItems.insert(FItems.begin() + Index, S);
  Changed();
}

void TStrings::Delete(int Index) {
  CheckIndex(Index, false);
  FItems.erase(FItems.begin() + Index);
  Changed();
}

void TStrings::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

int TStrings::IndexOf(std::string_view S) const {
  for (std::size_t I = 0; I < FItems.size(); ++I)
    if (SameText(FItems[I], S)) return static_cast<int>(I);
  return -1;
}

void TStrings::Assign(const TStrings& Source) {
  if (&Source == this) return;
  Assign(Source.FItems);
}

void TStrings::Assign(const std::vector<std::string>& Source) {
  FItems = Source;
  Changed();
}

std::string TStrings::GetText() const {
  std::string R;
  for (const std::string& S : FItems) {
    R += S;
    R += '\n';
  }
  return R;
}

void TStrings::SetText(std::string_view Text) {
  std::vector<std::string> Lines;
  std::size_t Start = 0;
  while (Start < Text.size()) {
    std::size_t End = Text.find_first_of("\r\n", Start);
    if (End == std::string_view::npos) End = Text.size();
    Lines.emplace_back(Text.substr(Start, End - Start));
    if (End < Text.size() && Text[End] == '\r' && End + 1 < Text.size() && Text[End + 1] == '\n') ++End;
    Start = End + 1;
  }
  Assign(Lines);
}

std::uint64_t TStrings::NewStamp() {
  static std::atomic<std::uint64_t> Last{0};
  return Last.fetch_add(1, std::memory_order_relaxed) + 1;
}

void TStrings::Changed() {
  FChangeCount = NewStamp();
  if (OnChange) OnChange(this);
}

void AddUnique(TStrings& List, const std::string& S) {
  if (List.IndexOf(S) < 0) List.Add(S);
}

// ---------------------------------------------------------------- collections

const TClassInfo& TCollectionItem::MakeStaticClassInfo() {
  static const TClassInfo Info("TCollectionItem", &TPersistent::StaticClassInfo());
  return Info;
}

const TClassInfo& TCollection::MakeStaticClassInfo() {
  static const TClassInfo Info("TCollection", &TPersistent::StaticClassInfo());
  return Info;
}

// ---------------------------------------------------------------- components

const TClassInfo& TComponent::MakeStaticClassInfo() {
  static const TClassInfo Info("TComponent", &TPersistent::StaticClassInfo(),
                               {P::String<TComponent>("Name", &TComponent::GetName, &TComponent::SetName,
                                                      "TComponentName"),
                                P::Integer<TComponent>("Tag", &TComponent::GetTag, &TComponent::SetTag, 0)},
                               P::Factory<TComponent>());
  return Info;
}

bool IsValidIdent(std::string_view Name) {
  if (Name.empty()) return false;
  auto Alpha = [](char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_'; };
  if (!Alpha(Name[0])) return false;
  return std::all_of(Name.begin() + 1, Name.end(), [&](char C) { return Alpha(C) || (C >= '0' && C <= '9'); });
}

void* TComponent::operator new(std::size_t Size) { return detail::TakeComponentMemory(Size); }

void TComponent::operator delete(void* Memory, std::size_t Size) noexcept {
  detail::GiveComponentMemory(Memory, Size);
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::TComponent(TComponent* AOwner, bool NotifiedByOwner) : FNotifiedByOwner(NotifiedByOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  BeginDestroy();
  // Owned components go last first; they are detached silently, as the owner is going anyway.
  while (!FComponents.empty()) {
    TComponent* Last = FComponents.back();
    FComponents.pop_back();
    UnindexName(Last);
    if (Last->FNotifiedByOwner) --FNotifiedCount;
    if (!FInsertListeners.empty() && FInsertListeners.back() == Last) FInsertListeners.pop_back();
    Last->FOwner = nullptr;
    delete Last;
  }
}

// Owned components by name without regard to ASCII case, in one block:
// each slot keeps a component and its name's hash, and the name itself is
// the component's own, so indexing a name neither allocates nor copies.
// Linear probing, at most half full.
class TComponent::TNameTable {
 public:
  TComponent* Find(std::string_view Name) const {
    if (FSlots.empty()) return nullptr;
    const std::size_t Hash = TextHash(Name);
    for (std::size_t Slot = Hash & Mask(); FSlots[Slot].Component; Slot = (Slot + 1) & Mask())
      if (FSlots[Slot].Hash == Hash && SameText(FSlots[Slot].Component->FName, Name)) return FSlots[Slot].Component;
    return nullptr;
  }

  // The component already under its name, or Component when there was none.
  TComponent* Insert(TComponent* Component) {
    if (2 * (FCount + 1) > FSlots.size()) Grow();
    const std::size_t Hash = TextHash(Component->FName);
    std::size_t Slot = Hash & Mask();
    for (; FSlots[Slot].Component; Slot = (Slot + 1) & Mask())
      if (FSlots[Slot].Hash == Hash && SameText(FSlots[Slot].Component->FName, Component->FName))
        return FSlots[Slot].Component;
    FSlots[Slot] = {Hash, Component};
    ++FCount;
    return Component;
  }

  // Component must still have the name it was inserted under.
  void Erase(const TComponent* Component) {
    if (FSlots.empty()) return;
    std::size_t Hole = TextHash(Component->FName) & Mask();
    while (FSlots[Hole].Component != Component) {
      if (!FSlots[Hole].Component) return;
      Hole = (Hole + 1) & Mask();
    }
    // Later entries of the run move back, so that no look-up stops at the hole.
    for (std::size_t Next = (Hole + 1) & Mask(); FSlots[Next].Component; Next = (Next + 1) & Mask()) {
      const std::size_t Home = FSlots[Next].Hash & Mask();
      if (((Next - Home) & Mask()) < ((Next - Hole) & Mask())) continue;
      FSlots[Hole] = FSlots[Next];
      Hole = Next;
    }
    FSlots[Hole] = {};
    --FCount;
  }

 private:
  struct TSlot {
    std::size_t Hash = 0;
    TComponent* Component = nullptr;
  };
  std::size_t Mask() const { return FSlots.size() - 1; }
  void Grow() {
    std::vector<TSlot> Old(std::max<std::size_t>(16, 2 * FSlots.size()));
    Old.swap(FSlots);
    for (const TSlot& Entry : Old) {
      if (!Entry.Component) continue;
      std::size_t Slot = Entry.Hash & Mask();
      while (FSlots[Slot].Component) Slot = (Slot + 1) & Mask();
      FSlots[Slot] = Entry;
    }
  }

  std::vector<TSlot> FSlots;
  std::size_t FCount = 0;
};

void TComponent::IndexName(TComponent* Component) {
  if (Component->FName.empty() || FNamesShared) return;
  if (!FNames) FNames = std::make_unique<TNameTable>();
  if (FNames->Insert(Component) != Component) DropNameIndex();
}

void TComponent::DropNameIndex() {
  FNames.reset();
  FNamesShared = true;
}

void TComponent::UnindexName(const TComponent* Component) {
  if (Component->FName.empty() || !FNames) return;
  FNames->Erase(Component);
}

void TComponent::SetDestroyingRecursive() {
  FState |= csDestroying;
  for (TComponent* C : FComponents) C->SetDestroyingRecursive();
}

void TComponent::BeginDestroy() {
  if (FDetached) return;
  FDetached = true;
  SetDestroyingRecursive();
  // The owned components leave one by one; keeping their names indexed
  // until then would cost a look-up each.
  DropNameIndex();
  // Those who asked are told; those we asked forget us.
  while (!FFreeNotifies.empty()) {
    TComponent* Other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    EraseLastOf(Other->FFreeNotifies, this);
    Other->Notification(this, TOperation::opRemove);
  }
  if (!FOwner) return;
  // An owner that is going anyway lets its components leave silently, as its
  // own destructor does: told to all the others, every departure would cost
  // as much as the whole form (a control's parent releases it before the
  // owner does). Links made with FreeNotification were told above.
  if (FOwner->HasState(csDestroying))
    FOwner->RemoveOwned(this);
  else
    FOwner->RemoveComponent(this);
}

void TComponent::SetName(const std::string& NewName) {
  if (NewName == FName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("\"" + NewName + "\" is not a valid component name");
  if (FOwner)
    FOwner->ValidateRename(this, FName, NewName);
  else
    ValidateRename(nullptr, FName, NewName);
  if (FOwner) FOwner->UnindexName(this);
  FName = NewName;
  if (FOwner) FOwner->IndexName(this);
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName, const std::string& NewName) {
  if (!AComponent || NewName.empty() || SameText(CurName, NewName)) return;
  TComponent* Existing = FindComponent(NewName);
  if (Existing && Existing != AComponent)
    throw EComponentError("A component named " + NewName + " already exists");
}

int TComponent::GetComponentIndex() const {
  if (!FOwner) return -1;
  const auto& List = FOwner->FComponents;
  return static_cast<int>(std::find(List.begin(), List.end(), this) - List.begin());
}

void TComponent::SetComponentIndex(int Index) {
  if (!FOwner) return;
  auto& List = FOwner->FComponents;
  auto It = std::find(List.begin(), List.end(), this);
  List.erase(It);
  Index = std::clamp(Index, 0, static_cast<int>(List.size()));
  List.insert(List.begin() + Index, this);
  if (!ListensForInserts()) return;
  auto& Listeners = FOwner->FInsertListeners;
  Listeners.clear();
  for (TComponent* C : List)
    if (C->ListensForInserts()) Listeners.push_back(C);
}

TComponent* TComponent::FindComponent(std::string_view Name) const {
  if (Name.empty()) return nullptr;
  if (!FNamesShared) return FNames ? FNames->Find(Name) : nullptr;
  for (TComponent* C : FComponents)
    if (SameText(C->FName, Name)) return C;
  return nullptr;
}

void TComponent::InsertOwned(TComponent* Component) {
  FComponents.push_back(Component);
  Component->FOwner = this;
  IndexName(Component);
  if (Component->FNotifiedByOwner) ++FNotifiedCount;
  if (!Component->ListensForInserts()) return;
  const bool Before = ListensForInserts();
  FInsertListeners.push_back(Component);
  if (FOwner && Before != ListensForInserts()) FOwner->ListenerChanged(this);
}

void TComponent::ListenerChanged(TComponent* Component) {
  const bool Before = ListensForInserts();
  auto It = std::find(FInsertListeners.begin(), FInsertListeners.end(), Component);
  const bool Listed = It != FInsertListeners.end();
  if (Listed == Component->ListensForInserts()) return;
  if (Listed) {
    FInsertListeners.erase(It);
  } else {
    // Rare: a component starts listening after it was inserted.
    FInsertListeners.clear();
    for (TComponent* C : FComponents)
      if (C->ListensForInserts()) FInsertListeners.push_back(C);
  }
  if (FOwner && Before != ListensForInserts()) FOwner->ListenerChanged(this);
}

void TComponent::HearInsertions() {
  if (FHearsInserts) return;
  const bool Before = ListensForInserts();
  FHearsInserts = true;
  if (FOwner && Before != ListensForInserts()) FOwner->ListenerChanged(this);
}

void TComponent::RemoveOwned(TComponent* Component) {
  if (EraseLastOf(FComponents, Component)) {
    UnindexName(Component);
    if (Component->FNotifiedByOwner) --FNotifiedCount;
    auto Listener = std::find(FInsertListeners.begin(), FInsertListeners.end(), Component);
    if (Listener != FInsertListeners.end()) {
      const bool Before = ListensForInserts();
      FInsertListeners.erase(Listener);
      if (FOwner && Before != ListensForInserts()) FOwner->ListenerChanged(this);
    }
  }
  Component->FOwner = nullptr;
}

void TComponent::InsertComponent(TComponent* Component) {
  if (!Component) return;
  // Checked first: a clash must leave the component with its old owner, not with none.
  ValidateRename(Component, std::string(), Component->FName);
  if (Component->FOwner) Component->FOwner->RemoveComponent(Component);
  InsertOwned(Component);
  if (HasState(csDesigning)) Component->SetDesigning(true);
  Notification(Component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* Component) {
  if (!Component || Component->FOwner != this) return;
  Notification(Component, TOperation::opRemove);
  RemoveOwned(Component);
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  if (Value)
    FState |= csDesigning;
  else
    FState &= ~static_cast<TComponentState>(csDesigning);
  if (SetChildren)
    for (TComponent* C : FComponents) C->SetDesigning(Value, true);
}

void TComponent::SetInline(bool Value) {
  if (Value)
    FState |= csInline;
  else
    FState &= ~static_cast<TComponentState>(csInline);
}

void TComponent::Loaded() { FState &= ~static_cast<TComponentState>(csLoading | csReading); }

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove && AComponent) RemoveFreeNotification(AComponent);
  if (Operation == TOperation::opInsert) {
    if (FInsertListeners.empty()) return;
    // A handler may add or free components: only those still listening hear it.
    const std::vector<TComponent*> Listeners(FInsertListeners);
    for (auto It = Listeners.rbegin(); It != Listeners.rend(); ++It)
      if (std::find(FInsertListeners.begin(), FInsertListeners.end(), *It) != FInsertListeners.end())
        (*It)->Notification(AComponent, Operation);
    return;
  }
  // A handler may add or remove components; walk by index and re-clamp.
  for (int I = GetComponentCount() - 1; I >= 0 && FNotifiedCount > 0; --I) {
    if (I >= GetComponentCount()) {
      I = GetComponentCount();
      continue;
    }
    TComponent* Owned = FComponents[static_cast<std::size_t>(I)];
    if (Owned->FNotifiedByOwner) Owned->Notification(AComponent, Operation);
  }
}

// Links are kept on both sides and never twice, so the shorter side alone
// says whether two components are linked: a component that many others
// watch (a radio group's items, an image list) would otherwise make each new
// link or departure cost as much as all of them.
void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  const bool MineShorter = FFreeNotifies.size() <= AComponent->FFreeNotifies.size();
  const auto& Shorter = MineShorter ? FFreeNotifies : AComponent->FFreeNotifies;
  const TComponent* Sought = MineShorter ? AComponent : this;
  if (std::find(Shorter.begin(), Shorter.end(), Sought) != Shorter.end()) return;
  FFreeNotifies.push_back(AComponent);
  AComponent->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  if (FFreeNotifies.size() <= AComponent->FFreeNotifies.size()) {
    if (EraseLastOf(FFreeNotifies, AComponent)) EraseLastOf(AComponent->FFreeNotifies, this);
  } else if (EraseLastOf(AComponent->FFreeNotifies, this)) {
    EraseLastOf(FFreeNotifies, AComponent);
  }
}

}  // namespace keyloom
