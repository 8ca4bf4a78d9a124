#pragma once

// The framework's base classes: objects with type information, string lists
// and components with ownership, state and notifications.

#include <keyloom/errors.hpp>
#include <keyloom/host/typinfo.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace keyloom {

// Declares the class's own type information; MakeStaticClassInfo, defined in
// a source file, makes it once. Asking for it again, as every class test does,
// is the check of one flag: where the making is inline too, the compiler sets
// up its large frame on every call.
#define KEYLOOM_CLASS(T)                                                                 \
 public:                                                                                 \
  static const ::keyloom::TClassInfo& StaticClassInfo() {                                \
    static const ::keyloom::TClassInfo& Info = MakeStaticClassInfo();                    \
    return Info;                                                                         \
  }                                                                                      \
  const ::keyloom::TClassInfo& StaticType() const override { return StaticClassInfo(); } \
                                                                                         \
 private:                                                                                \
  static const ::keyloom::TClassInfo& MakeStaticClassInfo();

class EComponentError : public EKeyloomError {
 public:
  using EKeyloomError::EKeyloomError;
};

class EStringListError : public EKeyloomError {
 public:
  using EKeyloomError::EKeyloomError;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo& Info = MakeStaticClassInfo();
    return Info;
  }
  // The info of the C++ class this object was made as.
  virtual const TClassInfo& StaticType() const { return StaticClassInfo(); }
  // The class the object stands for: its C++ class, or a run-time class given to it.
  const TClassInfo& ClassType() const { return FRuntimeClass ? *FRuntimeClass : StaticType(); }
  const std::string& ClassName() const { return ClassType().ClassName(); }
  // Makes the object stand for a class known only by name (must descend from
  // its own). The info must outlive the object...
  void SetRuntimeClass(const TClassInfo* Info);
  // ... or be kept alive by it: a run-time class made for one form goes with its objects.
  void SetRuntimeClass(std::shared_ptr<const TClassInfo> Info);

 private:
  static const TClassInfo& MakeStaticClassInfo();
  std::shared_ptr<const TClassInfo> FRuntimeClass;
};

// The framework's "is" test: an instance of T or of a descendant; false for nil.
// Decided on the chain of class infos, which mirrors the C++ classes (every
// host class declares its own), instead of dynamic_cast: its type-name
// comparisons were a tenth of the time spent loading a form.
template <class T>
bool IsClass(const TObject* Obj) {
  static_assert(std::is_base_of_v<TObject, T>);
  return Obj && Obj->StaticType().InheritsFrom(&T::StaticClassInfo());
}

// The object as a T, or nil when it is not one.
template <class T>
T* AsClass(TObject* Obj) {
  return IsClass<T>(Obj) ? static_cast<T*>(Obj) : nullptr;
}
template <class T>
const T* AsClass(const TObject* Obj) {
  return IsClass<T>(Obj) ? static_cast<const T*>(Obj) : nullptr;
}

class TPersistent : public TObject {
  KEYLOOM_CLASS(TPersistent)
};

// A list of strings. Look-ups compare without regard to case (ASCII letters only).
class TStrings : public TPersistent {
  KEYLOOM_CLASS(TStrings)
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& Get(int Index) const;
  const std::string& operator[](int Index) const { return Get(Index); }
  void Put(int Index, const std::string& S);
  int Add(const std::string& S);
  void Insert(int Index, const std::string& S);
  void Delete(int Index);
  void Clear();
  // -1 when absent.
  int IndexOf(std::string_view S) const;
  void Assign(const TStrings& Source);
  void Assign(const std::vector<std::string>& Source);
  const std::vector<std::string>& Items() const { return FItems; }
  // Lines joined with "\n"; setting splits on line ends.
  std::string GetText() const;
  void SetText(std::string_view Text);
  // Grows with every change, so that what was derived from the strings can
  // be known to be still current. Values are never shared by two lists, not
  // even by one freed and another made at the same address.
  std::uint64_t ChangeCount() const { return FChangeCount; }

  TNotifyEvent OnChange;

 private:
  void Changed();
  void CheckIndex(int Index, bool AllowEnd) const;
  std::vector<std::string> FItems;
  static std::uint64_t NewStamp();
  std::uint64_t FChangeCount = NewStamp();
};

class TStringList : public TStrings {
  KEYLOOM_CLASS(TStringList)
};

// Appends S unless the list already holds it, compared without regard to case.
void AddUnique(TStrings& List, const std::string& S);

// One item of a collection: its published properties are what a form file stores for it.
class TCollectionItem : public TPersistent {
  KEYLOOM_CLASS(TCollectionItem)
};

// A list of items that a form file writes as `Name = <item ... end>`: the
// reader empties it, then adds one item per entry and sets its properties.
class TCollection : public TPersistent {
  KEYLOOM_CLASS(TCollection)
 public:
  virtual int Count() const = 0;
  virtual TCollectionItem* GetItem(int Index) const = 0;
  virtual TCollectionItem* Add() = 0;
  virtual void Clear() = 0;
};

enum class TOperation : std::uint8_t { opInsert, opRemove };

enum TComponentStateFlag : std::uint32_t {
  csLoading = 1u << 0,
  csReading = 1u << 1,
  csWriting = 1u << 2,
  csDestroying = 1u << 3,
  csDesigning = 1u << 4,
  csInline = 1u << 5,
};
using TComponentState = std::uint32_t;

// A component: owned by another component that releases it, named, with
// state flags, told about removals from its owner and, when it asks with
// HearInsertions, about insertions into it.
// Release a component with Free (or delete it; both tell everyone concerned).
class TComponent : public TPersistent {
  KEYLOOM_CLASS(TComponent)
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  static void Free(TComponent* Component) { delete Component; }
  // Components come from memory kept for them, where a large form's lie
  // close together on pages the system may make huge.
  static void* operator new(std::size_t Size);
  static void operator delete(void* Memory, std::size_t Size) noexcept;

  TComponent* GetOwner() const { return FOwner; }
  const std::string& GetName() const { return FName; }
  // Raises EComponentError for an invalid name or one already used by a sibling.
  void SetName(const std::string& NewName);
  std::int64_t GetTag() const { return FTag; }
  void SetTag(std::int64_t Tag) { FTag = Tag; }

  int GetComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* GetComponent(int Index) const { return FComponents.at(static_cast<std::size_t>(Index)); }
  const std::vector<TComponent*>& Components() const { return FComponents; }
  int GetComponentIndex() const;
  void SetComponentIndex(int Index);
  // By name without regard to case; nil when none.
  TComponent* FindComponent(std::string_view Name) const;

  void InsertComponent(TComponent* Component);
  void RemoveComponent(TComponent* Component);

  TComponentState GetComponentState() const { return FState; }
  bool HasState(TComponentStateFlag Flag) const { return (FState & Flag) != 0; }
  // Sets or clears the designing state of this component and all it owns.
  void SetDesigning(bool Value, bool SetChildren = true);
  // Starts the loading state; Loaded ends it.
  void BeginLoading() { FState |= csLoading | csReading; }
  void SetInline(bool Value);

  virtual void Loaded();
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Asks to be told (Notification with opRemove) when AComponent goes away.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // The component above this one in the form's structure: a control's parent,
  // a menu item's parent item or menu. Nil at the top.
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual bool HasParent() const { return false; }

 protected:
  // For a component that only its own links concern (FreeNotification): its
  // owner does not pass on what it is told about its other components.
  TComponent(TComponent* AOwner, bool NotifiedByOwner);

  // From now on the owner tells this component of every component inserted
  // into it. Only those that ask hear it, so that filling an owner with n
  // components costs n, not n squared.
  void HearInsertions();

  // Sets the destroying state and detaches the component from its owner and
  // from everyone it asked to be told about. Every destructor of a class with
  // observable teardown starts with it, so that nothing sees a half-destroyed
  // component through its owner.
  void BeginDestroy();
  virtual void ValidateRename(TComponent* AComponent, const std::string& CurName, const std::string& NewName);

 private:
  void SetDestroyingRecursive();
  void InsertOwned(TComponent* Component);
  void RemoveOwned(TComponent* Component);
  void IndexName(TComponent* Component);
  void UnindexName(const TComponent* Component);
  // From now on FindComponent walks the owned list.
  void DropNameIndex();
  bool ListensForInserts() const { return FNotifiedByOwner && (FHearsInserts || !FInsertListeners.empty()); }
  void ListenerChanged(TComponent* Component);

  class TNameTable;

  TComponent* FOwner = nullptr;
  std::string FName;
  std::int64_t FTag = 0;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  // Owned components by name, made with the first named one; FindComponent
  // falls back to a walk should two ever share a name, and once destroying.
  std::unique_ptr<TNameTable> FNames;
  bool FNamesShared = false;
  // How many owned components are told of this one's notifications.
  int FNotifiedCount = 0;
  bool FNotifiedByOwner = true;
  // Owned components that hear of insertions, themselves or through what
  // they own, in the order of FComponents.
  std::vector<TComponent*> FInsertListeners;
  bool FHearsInserts = false;
  TComponentState FState = 0;
  bool FDetached = false;
};

// A valid component name: an identifier, or empty.
bool IsValidIdent(std::string_view Name);

}  // namespace keyloom
