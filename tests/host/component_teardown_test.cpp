// A form that is being destroyed releases its controls through their parents
// first; they leave it silently, as the owner's own destructor releases the
// rest, instead of each telling every other component of the form.

#include <keyloom/host.hpp>

#include <gtest/gtest.h>

#include <vector>

namespace keyloom {
namespace {

// Counts the removals it is told of, whoever tells it.
class TRemovalCounter : public TComponent {
 public:
  using TComponent::TComponent;
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove) ++*Removals;
  }
  int* Removals = nullptr;
};

TEST(ComponentTeardown, ControlsLeaveADyingFormSilentlyButFreeNotificationsAreStillTold) {
  int OwnedCounterTold = 0;
  int LinkedCounterTold = 0;
  auto* Form = new TForm(nullptr);
  auto* Panel = new TPanel(Form);
  Panel->SetParent(Form);
  std::vector<TButton*> Buttons;
  for (int I = 0; I < 5; ++I) {
    Buttons.push_back(new TButton(Form));
    Buttons.back()->SetParent(Panel);
  }
  auto* Owned = new TRemovalCounter(Form);
  Owned->Removals = &OwnedCounterTold;
  // One that lives on and asked to be told about a button.
  TRemovalCounter Linked(nullptr);
  Linked.Removals = &LinkedCounterTold;
  Linked.FreeNotification(Buttons[2]);

  // While the form lives, a removal is told to all it owns.
  delete Buttons.back();
  EXPECT_EQ(OwnedCounterTold, 1);

  delete Form;
  EXPECT_EQ(OwnedCounterTold, 1);
  EXPECT_EQ(LinkedCounterTold, 1);
}

}  // namespace
}  // namespace keyloom
