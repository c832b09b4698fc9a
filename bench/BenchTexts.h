// Texts shared by the string benchmarks: the same words at 1 KiB and 1 MiB,
// in UTF-16 and UTF-8, built once per size.
#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace bench {

// `pattern` repeated up to `units` code units, between `lead` and `tail`.
inline std::u16string repeated(std::u16string_view pattern, std::size_t units,
                               std::u16string_view lead = u"", std::u16string_view tail = u"") {
  std::u16string text(lead);
  while (text.size() + pattern.size() + tail.size() <= units) text += pattern;
  text.append(units - text.size() - tail.size(), u'x');
  text += tail;
  return text;
}

// ASCII UTF-16 as UTF-8 bytes.
inline std::string asciiBytes(const std::u16string& text) {
  return std::string(text.begin(), text.end());
}

}  // namespace bench
