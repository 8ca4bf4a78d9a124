#pragma once

// Components of classes the host does not know. They keep the values a file
// stores for them and publish them under their names, so that a class list can
// name such a class and make it take part.

#include <keyloom/host/controls.hpp>

#include <map>
#include <string>

namespace keyloom::formfile {

class TPropertyBag {
 public:
  std::map<std::string, std::string> Strings;
  std::map<std::string, bool> Booleans;
};

class TGenericControl : public TControl {
  KEYLOOM_CLASS(TGenericControl)
 public:
  using TControl::TControl;
  TPropertyBag Bag;
};

class TGenericContainer : public TCustomControl {
  KEYLOOM_CLASS(TGenericContainer)
 public:
  explicit TGenericContainer(TComponent* AOwner) : TCustomControl(AOwner) { SetControlStyle(csAcceptsControls); }
  TPropertyBag Bag;
};

// One that a label names as the control it focuses: it takes the focus, as
// only a windowed control can.
class TGenericWinControl : public TWinControl {
  KEYLOOM_CLASS(TGenericWinControl)
 public:
  using TWinControl::TWinControl;
  TPropertyBag Bag;
};

// The bag of a generic component, or nil.
TPropertyBag* BagOf(TObject& Object);

// Teaches a run-time class a string or Boolean property kept in the bag
// ("Caption" and "Text" are the control's text). No-op when it has one of that name.
void LearnStringProperty(TClassInfo& Class, const std::string& Name);
void LearnBooleanProperty(TClassInfo& Class, const std::string& Name);

}  // namespace keyloom::formfile
