#pragma once

// Binary form files: the object stream (`TPF0` ...), bare or behind a 16-bit
// resource header. The tree's spans are byte ranges of the stream, so edits
// are patches of bytes as in text files.

#include <cstddef>
#include <string>
#include <string_view>

#include "keyloom/formfile/document.hpp"

namespace keyloom::formfile::detail {

// Parses Impl.FSource (a binary form) into the tree of Impl; throws
// EFormFileError whose message starts with the byte offset.
void ParseBinaryInto(TDocument::TImpl& Impl);

// The bytes of a value (its tag first), in the tags the form designer writes.
std::string EncodeBinaryValue(const TValue& Value, const std::string& FileName);
// The bytes of a whole object block.
std::string EncodeBinaryObject(const TNewObject& Object, const std::string& FileName);
// The bytes of a property: its name, then its value.
std::string EncodeBinaryProperty(std::string_view Name, const TValue& Value, const std::string& FileName);
// The whole tree as the designer writes a binary form: behind a resource header.
std::string EncodeBinaryForm(const TDocument& Document);
// A changed string value, under the tag of the old one where the new text fits it.
std::string EncodeBinaryString(unsigned char OldTag, std::string_view Utf8);

}  // namespace keyloom::formfile::detail
