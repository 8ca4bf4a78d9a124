#pragma once

// TKeyloom: the run-time component that keeps the accelerators of its form
// unique. It rebuilds a hidden caption tree, finds letters and writes the
// captions back when the form has loaded, when a component is inserted into
// the form, when a setting changes, and on FindKeys.

#include <keyloom/engine.hpp>
#include <keyloom/host/classes.hpp>
#include <keyloom/host/comctrls.hpp>
#include <keyloom/key_options.hpp>
#include <keyloom/tree.hpp>

namespace keyloom {

class TKeyloom : public TComponent {
  KEYLOOM_CLASS(TKeyloom)
 public:
  // Runs nothing; the owner is the form whose captions it manages.
  explicit TKeyloom(TComponent* AOwner);
  ~TKeyloom() override;

  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Runs the pipeline now, also while Active is false; the other guards apply.
  void FindKeys();

  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  bool GetActiveInDesign() const { return FActiveInDesign; }
  void SetActiveInDesign(bool Value);
  bool GetOnlyUnassigned() const { return FOnlyUnassigned; }
  void SetOnlyUnassigned(bool Value);
  TSortMethod GetSortMethod() const { return FSortMethod; }
  void SetSortMethod(TSortMethod Value);
  TKeyScope GetScope() const { return FOptions.Scope; }
  void SetScope(TKeyScope Value);
  TAssignStrategy GetStrategy() const { return FOptions.Strategy; }
  void SetStrategy(TAssignStrategy Value);
  const std::string& GetReservedLetters() const { return FOptions.ReservedLetters; }
  void SetReservedLetters(const std::string& Value);
  TNonLatinMode GetNonLatin() const { return FOptions.NonLatin; }
  void SetNonLatin(TNonLatinMode Value);
  TPlaceholders GetPlaceholders() const { return FOptions.Placeholders; }
  void SetPlaceholders(TPlaceholders Value);
  // Scope, Strategy, ReservedLetters, NonLatin and Placeholders as the engine takes them.
  const TKeyOptions& GetKeyOptions() const { return FOptions; }

  // The lists stay the component's own: setting one copies the strings and
  // runs nothing; they take effect at the next run.
  TStringList* GetCaptionClasses() const { return const_cast<TStringList*>(&FCaptionClasses); }
  void SetCaptionClasses(const TStrings& Value) { FCaptionClasses.Assign(Value); }
  TStringList* GetNoCaptionClasses() const { return const_cast<TStringList*>(&FNoCaptionClasses); }
  void SetNoCaptionClasses(const TStrings& Value) { FNoCaptionClasses.Assign(Value); }
  TStringList* GetDefaultCaptions() const { return const_cast<TStringList*>(&FDefaultCaptions); }
  void SetDefaultCaptions(const TStrings& Value) { FDefaultCaptions.Assign(Value); }

  // The hidden working tree; between runs it holds the nodes of the last one.
  TTreeView* GetTree() const { return FTree; }

  TAssignEvent OnAssign;

 protected:
  // The guarded pipeline behind every trigger.
  void InternalFindKeys();

 private:
  void ControlsCompare(TTreeNode* Node1, TTreeNode* Node2, int& Compare) const;

  bool FActive = true;
  bool FActiveInDesign = false;
  bool FOnlyUnassigned = true;
  TSortMethod FSortMethod = TSortMethod::smUniqueLetters;
  TKeyOptions FOptions;
  TStringList FCaptionClasses;
  TStringList FNoCaptionClasses;
  TStringList FDefaultCaptions;
  TTreeView* FTree = nullptr;
  bool FRunning = false;
};

// Makes TKeyloom and TRadioGroupIndex known to FindClass. Safe to call more than once.
void RegisterKeyloomClasses();

}  // namespace keyloom
