#include <keyloom/host.hpp>

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace keyloom {
namespace {

TEST(StringList, LookUpIgnoresCaseOfAsciiLettersOnly) {
  TStringList List;
  List.Add("TButton");
  List.Add("E&xit");
  EXPECT_EQ(List.IndexOf("tbutton"), 0);
  EXPECT_EQ(List.IndexOf("e&XIT"), 1);
  EXPECT_EQ(List.IndexOf("TButto"), -1);
  EXPECT_EQ(List.IndexOf("\xC3\xA4"), -1);
  AddUnique(List, "TBUTTON");
  AddUnique(List, "TLabel");
  EXPECT_EQ(List.Items(), (std::vector<std::string>{"TButton", "E&xit", "TLabel"}));
}

TEST(StringList, EditsAndBounds) {
  TStringList List;
  int Changes = 0;
  List.OnChange = [&](TObject*) { ++Changes; };
  List.Add("a");
  List.Insert(0, "b");
  List.Put(1, "c");
  List.Delete(0);
  EXPECT_EQ(List.Items(), std::vector<std::string>{"c"});
  EXPECT_EQ(Changes, 4);
  EXPECT_THROW(List.Get(1), EStringListError);
  EXPECT_THROW(List.Delete(-1), EStringListError);
  EXPECT_THROW(List.Insert(3, "x"), EStringListError);
  TStringList Copy;
  Copy.Assign(List);
  List.Put(0, "changed");
  EXPECT_EQ(Copy.Get(0), "c");
  List.SetText("one\r\ntwo\nthree");
  EXPECT_EQ(List.Count(), 3);
  EXPECT_EQ(List.GetText(), "one\ntwo\nthree\n");
}

// Records the notifications a component receives.
class TProbe : public TComponent {
 public:
  explicit TProbe(TComponent* AOwner) : TComponent(AOwner) { HearInsertions(); }
  struct Seen {
    TComponent* Component;
    TOperation Operation;
  };
  std::vector<Seen>* Log = nullptr;
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Log) Log->push_back({AComponent, Operation});
  }
};

TEST(Component, OwnerTellsEveryListeningComponentAboutInsertionsAndRemovals) {
  TComponent Owner(nullptr);
  std::vector<TProbe::Seen> Log;
  auto* Probe = new TProbe(nullptr);
  Probe->Log = &Log;
  Owner.InsertComponent(Probe);
  // A new component is told about itself.
  ASSERT_EQ(Log.size(), 1u);
  EXPECT_EQ(Log[0].Component, Probe);
  auto* Other = new TComponent(&Owner);
  ASSERT_EQ(Log.size(), 2u);
  EXPECT_EQ(Log[1].Component, Other);
  EXPECT_EQ(Log[1].Operation, TOperation::opInsert);
  delete Other;
  ASSERT_EQ(Log.size(), 3u);
  EXPECT_EQ(Log[2].Operation, TOperation::opRemove);
  EXPECT_EQ(Owner.GetComponentCount(), 1);
}

// Only listening components hear of insertions, also through an owned
// component that owns a listener, in reverse order of ownership; the
// bookkeeping follows moves, reordering and removal.
TEST(Component, InsertionsReachListenersThroughNestedOwnersAndFollowMoves) {
  struct THeard : TProbe {
    THeard(TComponent* AOwner, std::string AName, std::vector<std::string>& AOrder)
        : TProbe(AOwner), Label(std::move(AName)), Order(AOrder) {}
    void Notification(TComponent* AComponent, TOperation Operation) override {
      TProbe::Notification(AComponent, Operation);
      if (Operation == TOperation::opInsert && AComponent != this) Order.push_back(Label);
      if (Operation == TOperation::opInsert && Victim && AComponent != this) {
        delete Victim;  // frees another listener in the middle of the broadcast
        Victim = nullptr;
      }
    }
    std::string Label;
    std::vector<std::string>& Order;
    TComponent* Victim = nullptr;
  };
  TComponent Form(nullptr);
  std::vector<std::string> Order;
  auto* Frame = new TComponent(&Form);
  auto* Deep = new THeard(Frame, "deep", Order);
  auto* Near = new THeard(&Form, "near", Order);
  new TComponent(&Form);  // deaf
  Order.clear();
  new TComponent(&Form);
  EXPECT_EQ(Order, (std::vector<std::string>{"near", "deep"}));
  Order.clear();
  Near->SetComponentIndex(0);
  new TComponent(&Form);
  EXPECT_EQ(Order, (std::vector<std::string>{"deep", "near"}));
  // Deep moves to the form: the frame has nobody left to tell.
  Form.InsertComponent(Deep);
  Order.clear();
  new TComponent(Frame);
  EXPECT_TRUE(Order.empty());
  new TComponent(&Form);
  EXPECT_EQ(Order, (std::vector<std::string>{"deep", "near"}));
  // Last in the form, told first, it frees Near before Near's turn.
  Order.clear();
  auto* Freeing = new THeard(&Form, "freeing", Order);
  Freeing->Victim = Near;
  Order.clear();
  new TComponent(&Form);
  EXPECT_EQ(Order, (std::vector<std::string>{"freeing", "deep"}));
}

TEST(Component, OwnerReleasesWhatItOwnsInOrder) {
  auto* Owner = new TComponent(nullptr);
  auto* A = new TComponent(Owner);
  auto* B = new TComponent(Owner);
  A->SetName("A");
  B->SetName("B");
  EXPECT_EQ(Owner->GetComponentCount(), 2);
  EXPECT_EQ(Owner->GetComponent(1), B);
  EXPECT_EQ(Owner->FindComponent("a"), A);
  EXPECT_EQ(B->GetComponentIndex(), 1);
  B->SetComponentIndex(0);
  EXPECT_EQ(Owner->GetComponent(0), B);
  delete Owner;  // leak checkers see the rest
}

TEST(Component, NamesAreIdentifiersAndUniqueAmongSiblings) {
  TComponent Owner(nullptr);
  auto* A = new TComponent(&Owner);
  auto* B = new TComponent(&Owner);
  A->SetName("Button1");
  EXPECT_THROW(B->SetName("button1"), EComponentError);
  EXPECT_THROW(B->SetName("1Button"), EComponentError);
  EXPECT_THROW(B->SetName("a b"), EComponentError);
  B->SetName("Button2");
  A->SetName("BUTTON1");  // renaming in place is no clash
  EXPECT_EQ(A->GetName(), "BUTTON1");
  B->SetName("");
  EXPECT_EQ(Owner.FindComponent(""), nullptr);
}

TEST(Component, FreeNotificationClearsReferences) {
  TForm Form(nullptr);
  auto* Edit = new TEdit(&Form);
  auto* Label = new TLabel(&Form);
  Label->SetFocusControl(Edit);
  // An edit owned elsewhere still tells the label when it goes.
  auto* Foreign = new TEdit(nullptr);
  auto* Label2 = new TLabel(&Form);
  Label2->SetFocusControl(Foreign);
  delete Edit;
  delete Foreign;
  EXPECT_EQ(Label->GetFocusControl(), nullptr);
  EXPECT_EQ(Label2->GetFocusControl(), nullptr);
  // And a label that goes first leaves nothing behind in the control.
  auto* Edit2 = new TEdit(&Form);
  Label2->SetFocusControl(Edit2);
  delete Label2;
  delete Edit2;
}

// Hears which components it is told are going, by tag.
class TGoneWatcher : public TComponent {
 public:
  TGoneWatcher(int Id, std::map<int, std::multiset<int>>& Heard) : TComponent(nullptr), FHeard(Heard) { SetTag(Id); }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove) FHeard[static_cast<int>(GetTag())].insert(static_cast<int>(AComponent->GetTag()));
  }

 private:
  std::map<int, std::multiset<int>>& FHeard;
};

// Links made, repeated, undone from either side and cut by freeing, in random
// order and with some components watched by many: whoever goes tells exactly
// those still linked to it, once each.
TEST(Component, FreeNotificationsReachExactlyTheLinkedOnes) {
  std::mt19937 Random(20261208);
  for (int Round = 0; Round < 40; ++Round) {
    std::map<int, std::multiset<int>> Heard;
    std::map<int, TGoneWatcher*> Live;
    for (int Id = 0; Id < 30; ++Id) Live[Id] = new TGoneWatcher(Id, Heard);
    std::set<std::pair<int, int>> Links;  // both ways
    auto Pick = [&]() {
      // Skewed: the first few live ones are watched by most.
      const std::size_t Span = Random() % 2 ? std::min<std::size_t>(Live.size(), 3) : Live.size();
      return std::next(Live.begin(), static_cast<std::ptrdiff_t>(Random() % Span))->first;
    };
    while (Live.size() > 1) {
      const unsigned Step = Random() % 10;
      const int A = Pick();
      const int B = Pick();
      if (Step < 6) {
        Live[A]->FreeNotification(Live[B]);
        if (A != B) Links.insert({A, B}), Links.insert({B, A});
      } else if (Step < 8) {
        Live[A]->RemoveFreeNotification(Live[B]);
        Links.erase({A, B});
        Links.erase({B, A});
      } else {
        std::map<int, std::multiset<int>> Expected;
        for (const auto& [From, To] : Links)
          if (From == A) Expected[To].insert(A);
        Heard.clear();
        delete Live[A];
        Live.erase(A);
        EXPECT_EQ(Heard, Expected);
        for (auto It = Links.begin(); It != Links.end();)
          It = It->first == A || It->second == A ? Links.erase(It) : std::next(It);
      }
    }
    delete Live.begin()->second;
  }
}

TEST(Component, StateFlags) {
  TForm Form(nullptr);
  Form.SetDesigning(true);
  auto* Button = new TButton(&Form);
  EXPECT_TRUE(Button->HasState(csDesigning));
  Button->BeginLoading();
  EXPECT_TRUE(Button->HasState(csLoading));
  Button->Loaded();
  EXPECT_FALSE(Button->HasState(csLoading));
  Form.SetDesigning(false);
  EXPECT_FALSE(Button->HasState(csDesigning));
}

// Sees the destroying state of an owned component while it is released.
class TDyingWitness : public TComponent {
 public:
  using TComponent::TComponent;
  bool* SawDestroying = nullptr;
  TComponent* Watched = nullptr;
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == Watched) *SawDestroying = AComponent->HasState(csDestroying);
  }
};

TEST(Component, RemovalIsToldWhileTheComponentIsMarkedDestroying) {
  TComponent Owner(nullptr);
  bool Saw = false;
  auto* Witness = new TDyingWitness(&Owner);
  auto* Victim = new TComponent(&Owner);
  Witness->SawDestroying = &Saw;
  Witness->Watched = Victim;
  delete Victim;
  EXPECT_TRUE(Saw);
}

}  // namespace
}  // namespace keyloom
