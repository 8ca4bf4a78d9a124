#pragma once

#include <stdexcept>
#include <string>

namespace keyloom {

// Base of every error the library raises. Errors from the host framework, a
// component's accessor or an event handler pass through the pipeline as these
// (or as whatever the handler threw).
class EKeyloomError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace keyloom
