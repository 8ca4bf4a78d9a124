#pragma once

#include <keyloom/host/comctrls.hpp>

#include <string>
#include <vector>

namespace keyloom {

// Controls and menu items that show one action are one command: the text
// Node is about to be given goes also to the nodes of the others that read
// as Node does now, wherever they stand, so that their groups find its
// letter taken and the action is written once. Node itself is left to the caller.
void GiveTwins(const TTreeNodes& Items, const TTreeNode& Node, const std::string& Text);

// The nodes that will share Node's text: those of the other controls that
// show the same action and read as Node does now.
std::vector<TTreeNode*> TwinsReadingAlike(const TTreeNodes& Items, const TTreeNode& Node);

// The letters marked beside the nodes that will share Node's text (as
// GetAccelerator gives them): a letter for the action must be free there too.
std::vector<std::string> TwinNeighbourLetters(const TTreeNodes& Items, const TTreeNode& Node);

}  // namespace keyloom
