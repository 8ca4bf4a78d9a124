#pragma once

// JSON documents are built as nlohmann::ordered_json values and written by
// AppendJson: compact, members in the order they were added, strings escaped
// as JsonString escapes them (a byte that is not valid UTF-8 stays readable,
// which the library's own dump refuses), shares with four decimals. What the
// command printed before keeps its exact bytes.

#include <nlohmann/json.hpp>

#include <string>

namespace keyloom::cli {

using TJson = nlohmann::ordered_json;

// Appends Value, compact or (Indent >= 0) an element a line, indented; nesting
// as deep as a form's is written without recursion.
void AppendJson(std::string& Out, const TJson& Value, int Indent = -1);
// Value, then a newline: one line of JSON lines.
std::string JsonLine(const TJson& Value);

// A share from 0 to 1 (null when there is nothing to share), written with four decimals.
TJson JsonRatio(std::size_t Part, std::size_t Whole);

}  // namespace keyloom::cli
