#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "formfile/lexer.hpp"
#include "keyloom/formfile/document.hpp"

namespace keyloom::formfile {

namespace detail {

enum class TPatchKind : std::uint8_t { Value, Insert, Remove };

// Replaces [FBegin, FEnd) of the source with FText when rendering.
struct TPatch {
  std::size_t FBegin = 0;
  std::size_t FEnd = 0;
  std::string FText;
  TPatchKind FKind = TPatchKind::Value;
  std::uint32_t FSequence = 0;
};

}  // namespace detail

struct TDocument::TImpl {
  std::string FSource;
  std::string FFileName;
  std::size_t FContentStart = 0;  // after a BOM
  bool FBinary = false;
  // Binary forms behind a resource header: where its size field stands.
  std::size_t FSizeField = std::string::npos;
  std::size_t FTrailingStart = 0;
  std::deque<TObjectNode> FObjects;  // pre-order; FObjects.front() is the root
  detail::TStyleCounts FCounts;

  std::vector<detail::TPatch> FPatches;
  std::unordered_map<std::size_t, std::size_t> FValuePatches;  // value begin -> index in FPatches
  // Indices in FPatches of the removed blocks, which every edit must stay out of:
  // scanning all patches for them made rewriting many values quadratic.
  std::vector<std::size_t> FRemovals;
  std::deque<std::string> FNames;  // text for string_views created by edits
};

namespace detail {

// Parses FSource into the tree of Impl; throws EFormFileError.
void ParseInto(TDocument::TImpl& Impl);

}  // namespace detail

}  // namespace keyloom::formfile
