// A text as the service operations read and write it: nothing, a plain
// string, or an attributed string (text with style runs and attachments),
// and the mutable twins of the two kinds.
#pragma once

#include <variant>

#include "chars/MutableString.h"
#include "support/formats/AttributedString.h"

namespace wendlock {

using Text = std::variant<std::monostate, orvin::String, orvin::AttributedString>;
using MutableText =
    std::variant<std::monostate, orvin::MutableString, orvin::MutableAttributedString>;

// True when `text` holds neither kind (a nil string counts as no text).
[[nodiscard]] inline bool isNoText(const Text& text) {
  if (const auto* s = std::get_if<orvin::String>(&text)) return s->isNil();
  return std::holds_alternative<std::monostate>(text);
}

// The plain characters of either kind; nil for no text.
[[nodiscard]] inline orvin::String plainString(const Text& text) {
  if (const auto* s = std::get_if<orvin::String>(&text)) return *s;
  if (const auto* a = std::get_if<orvin::AttributedString>(&text)) return a->string();
  return orvin::String();
}

}  // namespace wendlock
