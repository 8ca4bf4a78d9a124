// Finding owned components by name goes through an index; whatever happens to
// the components, it must answer as a walk over the owned list would.

#include <keyloom/host.hpp>
#include <keyloom/tree.hpp>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace keyloom {
namespace {

TComponent* WalkFor(const TComponent& Owner, const std::string& Name) {
  for (TComponent* C : Owner.Components())
    if (!Name.empty() && SameText(C->GetName(), Name)) return C;
  return nullptr;
}

// Names compare and hash a word at a time; the byte-wise rule is the reference:
// only ASCII letters fold, whatever the length and wherever the byte stands.
TEST(ComponentLookup, SameTextAndTextHashFoldOnlyAsciiLetters) {
  auto ByteWise = [](std::string_view A, std::string_view B) {
    if (A.size() != B.size()) return false;
    for (std::size_t I = 0; I < A.size(); ++I) {
      auto Lower = [](char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C + 32) : C; };
      if (Lower(A[I]) != Lower(B[I])) return false;
    }
    return true;
  };
  // Neighbours of the letter ranges, bytes above 0x7f, and the bytes that
  // would fold if the high bit were ignored.
  const std::string Alphabet = std::string("@AZ[`az{_09") + "\xc1\xda\xe1\xfa\x80\xff" + std::string(1, '\0');
  std::minstd_rand Random(7);
  for (int Round = 0; Round < 20000; ++Round) {
    const std::size_t Size = Random() % 20;
    std::string A, B;
    for (std::size_t I = 0; I < Size; ++I) {
      const char C = Alphabet[Random() % Alphabet.size()];
      A += C;
      // Mostly the same byte in the other case, so that equal pairs are common.
      const auto Pick = Random() % 4;
      B += Pick == 0 ? Alphabet[Random() % Alphabet.size()]
                     : (Pick == 1 && C >= 'a' && C <= 'z' ? static_cast<char>(C - 32) : C);
    }
    SCOPED_TRACE("'" + A + "' and '" + B + "'");
    const bool Expected = ByteWise(A, B);
    ASSERT_EQ(SameText(A, B), Expected);
    if (Expected) {
      ASSERT_EQ(TextHash(A), TextHash(B));
    }
  }
  // Only the bytes of the view count, not what lies beyond it.
  const std::string Longer = "ButtonOneX";
  EXPECT_TRUE(SameText(std::string_view(Longer).substr(0, 9), "BUTTONONE"));
  EXPECT_EQ(TextHash(std::string_view(Longer).substr(0, 9)), TextHash("buttonone"));
  EXPECT_NE(TextHash("ab"), TextHash("ab" + std::string(1, '\0')));
}

TEST(ComponentLookup, FindComponentAgreesWithAWalkThroughRandomChanges) {
  const std::vector<std::string> Names = {"", "Button1", "BUTTON1", "button2", "Panel", "x", "Y_1"};
  for (std::uint32_t Seed = 1; Seed <= 30; ++Seed) {
    SCOPED_TRACE("seed " + std::to_string(Seed));
    std::minstd_rand Random(Seed);
    auto Pick = [&](int Bound) { return static_cast<int>(Random() % static_cast<std::uint32_t>(Bound)); };
    TComponent First(nullptr);
    TComponent Second(nullptr);
    TComponent* Owners[] = {&First, &Second};
    for (int Step = 0; Step < 150; ++Step) {
      TComponent& Owner = *Owners[Pick(2)];
      const std::string& Name = Names[static_cast<std::size_t>(Pick(static_cast<int>(Names.size())))];
      TComponent* Some = Owner.GetComponentCount() ? Owner.GetComponent(Pick(Owner.GetComponentCount())) : nullptr;
      try {
        switch (Pick(5)) {
          case 0: {
            auto* Made = new TComponent(nullptr);
            Made->SetName(Name);
            try {
              Owner.InsertComponent(Made);
            } catch (const EComponentError&) {
              delete Made;
              throw;
            }
            break;
          }
          case 1:
            if (Some) Some->SetName(Name);
            break;
          case 2: {
            // A move onto a taken name would leave the component with no owner.
            TComponent& Target = *Owners[Pick(2)];
            TComponent* Taken = Some ? WalkFor(Target, Some->GetName()) : nullptr;
            if (Some && (!Taken || Taken == Some)) Target.InsertComponent(Some);
            break;
          }
          case 3:
            if (Some) TComponent::Free(Some);
            break;
          default:
            if (Some) Some->SetComponentIndex(Pick(4));
            break;
        }
      } catch (const EComponentError&) {
        // A name already taken is refused; the lookup must still be right.
      }
      for (TComponent* O : Owners)
        for (const std::string& Probe : Names) ASSERT_EQ(O->FindComponent(Probe), WalkFor(*O, Probe)) << Probe;
    }
  }
}

// Counts what it is told.
class TListener : public TComponent {
 public:
  explicit TListener(TComponent* AOwner) : TComponent(AOwner) { HearInsertions(); }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    ++Told;
  }
  int Told = 0;
};

TEST(ComponentLookup, ProxiesAreNotToldOfTheirOwnersOtherComponentsButListenersStillAre) {
  TForm Form(nullptr);
  auto* Group = new TRadioGroup(&Form);
  TTreeView Tree(nullptr);
  auto* Listener = new TListener(&Tree);
  auto* Proxy = new TRadioGroupIndex(&Tree);
  Proxy->SetRadioGroup(Group);
  const int Before = Listener->Told;
  auto* Later = new TRadioGroupIndex(&Tree);
  EXPECT_EQ(Listener->Told, Before + 1);
  TComponent::Free(Later);
  EXPECT_EQ(Listener->Told, Before + 2);
  EXPECT_EQ(Tree.GetComponentCount(), 2);
  // What concerns the proxy still reaches it.
  TComponent::Free(Group);
  EXPECT_EQ(Proxy->GetRadioGroup(), nullptr);
}

}  // namespace
}  // namespace keyloom
