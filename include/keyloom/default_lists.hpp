#pragma once

// The built-in contents of the three class lists, shared by the run-time
// component and the design-time editor.

#include <keyloom/host/classes.hpp>

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace keyloom {

// Classes whose published "Caption" takes part in accelerator finding.
inline constexpr std::array<std::string_view, 5> DefaultCaptionClasses = {
    "TButtonControl", "TCustomLabel", "TCustomStaticText", "TTabSheet", "TRadioGroup"};

// Classes that only group other captions: shown under their name, never marked, never written.
inline constexpr std::array<std::string_view, 6> DefaultNoCaptionClasses = {
    "TMainMenu", "TPopupMenu", "TCustomTabControl", "TPageControl", "TPanel", "TToolbar"};

// Captions whose own marker is preferred when a caption equals them without markup.
inline constexpr std::array<std::string_view, 2> DefaultDefaultCaptions = {"E&xit", "Cu&t"};

// Adds the table's entries in order, each only when the list does not hold it yet.
inline void AddDefaults(TStrings& List, std::span<const std::string_view> Table) {
  for (std::string_view Entry : Table) AddUnique(List, std::string(Entry));
}

}  // namespace keyloom
