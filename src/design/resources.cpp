#include <keyloom/design/resources.hpp>
#include <keyloom/host/typinfo.hpp>

#include "design/resource_table.hpp"

namespace keyloom {

std::optional<std::string_view> FindResource(std::string_view Name) {
  for (std::size_t I = 0; I < detail::EmbeddedResourceCount; ++I) {
    const detail::TEmbeddedResource& R = detail::EmbeddedResources[I];
    if (SameText(R.Name, Name)) return std::string_view(reinterpret_cast<const char*>(R.Data), R.Size);
  }
  return std::nullopt;
}

std::string_view LoadResource(std::string_view Name) {
  if (auto Found = FindResource(Name)) return *Found;
  throw EResNotFound("Resource " + std::string(Name) + " not found");
}

std::vector<std::string> ResourceNames() {
  std::vector<std::string> Names;
  for (std::size_t I = 0; I < detail::EmbeddedResourceCount; ++I) Names.emplace_back(detail::EmbeddedResources[I].Name);
  return Names;
}

}  // namespace keyloom
