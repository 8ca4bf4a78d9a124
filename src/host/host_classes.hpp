#pragma once

#include <vector>

namespace keyloom {

class TClassInfo;

// Every class of the host framework, registered by name on first use of the
// class registry.
std::vector<const TClassInfo*> HostClasses();

}  // namespace keyloom
