#pragma once

// What Keyloom asks of components, by class name and property name only:
// class membership, published properties, and which text and picture stand
// for a component in the working tree.

#include <keyloom/host/classes.hpp>
#include <keyloom/host/typinfo.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace keyloom {

// ---------------------------------------------------------------- class and property queries

// True when the object's class or one of its ancestors is named ClassName
// (ASCII case ignored). False for nil.
bool IsClassType(const TObject* Obj, std::string_view ClassName);
// True when IsClassType holds for one of the names in the list.
bool IsClassInList(const TObject* Obj, const TStrings& ClassNames);

// True when the object's class publishes a property of that kind whose name
// equals Name without regard to case.
bool HasProperty(const TObject* Obj, std::string_view Name, TTypeKind Kind);

// The first published property of that kind whose name equals Name exactly
// (case counts), or nil: the one the calls below use.
const TPropInfo* FindExactProperty(const TObject* Obj, std::string_view Name, TTypeKind Kind);

using TPropertyProc = std::function<void(TObject& Obj, const TPropInfo& Prop)>;

// Calls Proc once for the first published property of that kind whose name
// equals Name exactly (case counts); does nothing when there is none.
void CallPropertyProc(TObject* Obj, std::string_view Name, TTypeKind Kind, const TPropertyProc& Proc);

// The getters and the setter find the property like CallPropertyProc: exact
// name, matching kind. A property that is not found reads as "", false, nil;
// writing it changes nothing. Errors of the component's accessors pass through.
std::string GetPropertyLongString(const TObject* Obj, std::string_view Name);
void SetPropertyLongString(TObject* Obj, std::string_view Name, const std::string& Value);
// True only when the low 8 bits of the enumeration's ordinal are 1.
bool GetPropertyBoolean(const TObject* Obj, std::string_view Name);
TObject* GetPropertyObject(const TObject* Obj, std::string_view Name);

// ---------------------------------------------------------------- caption and image selection

// Where the text of a component in the tree comes from.
enum class TCaptionSource : std::uint8_t {
  csNone,     // no text: the component has no place in the tree
  csCaption,  // the component's caption
  csName,     // its name, standing in for a container or a no-caption class
};

struct TCaptionInfo {
  std::string Text;
  TCaptionSource Source = TCaptionSource::csNone;
};

// The text that stands for the component in the working tree, and where it came from.
TCaptionInfo GetCaptionInfo(const TObject* Component, const TStrings& CaptionClasses,
                            const TStrings& NoCaptionClasses);

// The text alone: the caption, the name, or "".
std::string GetCaption(const TObject* Component, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses);

// The picture of the component's kind in the tree: 0 to 12, or -1.
int GetImageIndex(const TObject* Component);

}  // namespace keyloom
