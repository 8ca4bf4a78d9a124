#include "engine/action_twins.hpp"

#include <keyloom/host/actnlist.hpp>
#include <keyloom/markup.hpp>

#include <string>
#include <vector>

namespace keyloom {

namespace {

// The nodes of the other controls that show the same action as Node's.
std::vector<TTreeNode*> TwinsOf(const TTreeNodes& Items, const TTreeNode& Node) {
  std::vector<TTreeNode*> Twins;
  const TObject* Data = Node.GetData();
  const TCustomAction* Action = CaptionActionOf(Data);
  if (!Action) return Twins;
  for (TComponent* Client : Action->Clients())
    if (Client != Data && CaptionActionOf(Client) == Action) Items.GetNodesWithData(Client, Twins);
  return Twins;
}

}  // namespace

std::vector<TTreeNode*> TwinsReadingAlike(const TTreeNodes& Items, const TTreeNode& Node) {
  std::vector<TTreeNode*> Twins = TwinsOf(Items, Node);
  std::erase_if(Twins, [&](const TTreeNode* Twin) { return Twin->GetText() != Node.GetText(); });
  return Twins;
}

std::vector<std::string> TwinNeighbourLetters(const TTreeNodes& Items, const TTreeNode& Node) {
  std::vector<std::string> Letters;
  for (const TTreeNode* Twin : TwinsReadingAlike(Items, Node)) {
    const TTreeNode* Parent = Twin->GetParent();
    const int Count = Parent ? Parent->GetCount() : Items.GetRootCount();
    for (int I = 0; I < Count; ++I) {
      const TTreeNode* Beside = Parent ? Parent->GetItem(I) : Items.GetRoot(I);
      if (HasAccelerator(Beside->GetText())) Letters.push_back(GetAccelerator(Beside->GetText()));
    }
  }
  return Letters;
}

void GiveTwins(const TTreeNodes& Items, const TTreeNode& Node, const std::string& Text) {
  for (TTreeNode* Twin : TwinsReadingAlike(Items, Node)) Twin->SetText(Text);
}

}  // namespace keyloom
