#include "json_output.hpp"

#include "report.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace keyloom::cli {

namespace {

void AppendScalar(std::string& Out, const TJson& Value) {
  switch (Value.type()) {
    case TJson::value_t::null: Out += "null"; break;
    case TJson::value_t::boolean: Out += Value.get<bool>() ? "true" : "false"; break;
    case TJson::value_t::number_integer: Out += std::to_string(Value.get<std::int64_t>()); break;
    case TJson::value_t::number_unsigned: Out += std::to_string(Value.get<std::uint64_t>()); break;
    case TJson::value_t::number_float: {
      char Buffer[32];
      std::snprintf(Buffer, sizeof Buffer, "%.4f", Value.get<double>());
      Out += Buffer;
      break;
    }
    case TJson::value_t::string: Out += JsonString(Value.get_ref<const std::string&>()); break;
    default: Out += "null"; break;  // binary and discarded values are never built here
  }
}

}  // namespace

void AppendJson(std::string& Out, const TJson& Value, int Indent) {
  // An open array or object and the index of its next element.
  struct TFrame {
    const TJson* Container;
    std::size_t Next;
  };
  std::vector<TFrame> Stack;
  // Compact, or each element on a line of its own, Indent spaces a level deeper.
  auto NewLine = [&](std::size_t Depth) {
    if (Indent < 0) return;
    Out += '\n';
    Out.append(Depth * static_cast<std::size_t>(Indent), ' ');
  };
  const TJson* Current = &Value;
  for (;;) {
    if (Current) {
      if (Current->is_object() && !Current->empty()) {
        Out += '{';
        Stack.push_back({Current, 0});
      } else if (Current->is_array() && !Current->empty()) {
        Out += '[';
        Stack.push_back({Current, 0});
      } else if (Current->is_object()) {
        Out += "{}";
      } else if (Current->is_array()) {
        Out += "[]";
      } else {
        AppendScalar(Out, *Current);
      }
      Current = nullptr;
    }
    if (Stack.empty()) return;
    TFrame& Top = Stack.back();
    if (Top.Next == Top.Container->size()) {
      const char Close = Top.Container->is_object() ? '}' : ']';
      Stack.pop_back();
      NewLine(Stack.size());
      Out += Close;
      continue;
    }
    if (Top.Next > 0) Out += ',';
    NewLine(Stack.size());
    if (Top.Container->is_object()) {
      const auto& Members = Top.Container->get_ref<const TJson::object_t&>();
      const auto& Member = *(Members.begin() + static_cast<std::ptrdiff_t>(Top.Next));
      Out += JsonString(Member.first);
      Out += Indent < 0 ? ":" : ": ";
      Current = &Member.second;
    } else {
      Current = &Top.Container->get_ref<const TJson::array_t&>()[Top.Next];
    }
    ++Top.Next;
  }
}

std::string JsonLine(const TJson& Value) {
  std::string Out;
  AppendJson(Out, Value);
  Out += '\n';
  return Out;
}

TJson JsonRatio(std::size_t Part, std::size_t Whole) {
  if (Whole == 0) return nullptr;
  return static_cast<double>(Part) / static_cast<double>(Whole);
}

}  // namespace keyloom::cli
