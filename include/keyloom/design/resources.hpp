#pragma once

// The resources compiled into the library: the editor window's layout
// "TKEYLOOMFORM", the palette picture "TKEYLOOM", the button glyphs and the
// tree images (PNG files), found by name as the framework finds resources.

#include <keyloom/errors.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keyloom {

class EResNotFound : public EKeyloomError {
 public:
  using EKeyloomError::EKeyloomError;
};

// The resource's bytes; nothing when there is none of that name (case ignored).
std::optional<std::string_view> FindResource(std::string_view Name);
// The resource's bytes; raises EResNotFound when there is none.
std::string_view LoadResource(std::string_view Name);
// Every resource name, in the order they were compiled in.
std::vector<std::string> ResourceNames();

}  // namespace keyloom
