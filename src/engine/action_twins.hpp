#pragma once

#include <keyloom/host/comctrls.hpp>

#include <string>
#include <vector>

namespace keyloom {

// Controls and menu items that show one action are one command: the letter
// one of them is given goes to the nodes of the others that show the same
// caption without a letter, wherever they stand, so that their groups find
// it taken and the action is written once.
void GiveTwins(const TTreeNodes& Items, const TTreeNode& Node);

// The letters marked beside the nodes that will share Node's letter (as
// GetAccelerator gives them): a letter for the action must be free there too.
std::vector<std::string> TwinNeighbourLetters(const TTreeNodes& Items, const TTreeNode& Node);

}  // namespace keyloom
