#pragma once

// The resources compiled into the library (the generated keyloom_resources.cpp).

#include <cstddef>

namespace keyloom::detail {

struct TEmbeddedResource {
  const char* Name;
  const unsigned char* Data;
  std::size_t Size;
};

extern const TEmbeddedResource EmbeddedResources[];
extern const std::size_t EmbeddedResourceCount;

}  // namespace keyloom::detail
