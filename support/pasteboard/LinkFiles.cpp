#include "support/pasteboard/internal/LinkFiles.h"

#include <optional>
#include <string>

#include "chars/TextEncodings.h"
#include "support/pasteboard/internal/UriSyntax.h"

namespace orvin::detail {
namespace {

std::string_view trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::string_view withoutByteOrderMark(std::string_view s) {
  if (s.starts_with("\xEF\xBB\xBF")) s.remove_prefix(3);
  return s;
}

// One meaningful line of an INI-style key file: a group header or a
// key=value entry, both trimmed.
struct KeyFileLine {
  bool isGroup;
  std::string_view name;  // the group's or the key's
  std::string_view value;
};

// Calls `onLine` for each group header and entry in order while it answers
// true. Comments (# and ;), empty lines and lines that are neither are
// skipped.
template <class OnLine>
void scanKeyFile(std::string_view content, OnLine&& onLine) {
  while (!content.empty()) {
    const auto end = content.find('\n');
    const std::string_view line = trimmed(content.substr(0, end));
    content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      if (line.size() >= 2 && line.back() == ']' &&
          !onLine(KeyFileLine{true, line.substr(1, line.size() - 2), {}})) {
        return;
      }
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    if (!onLine(KeyFileLine{false, trimmed(line.substr(0, equals)),
                            trimmed(line.substr(equals + 1))})) {
      return;
    }
  }
}

// A desktop entry's string value with its escapes undone; an unknown escape
// is kept as written.
std::string unescapedDesktopValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    switch (value[++i]) {
      case 's':
        out += ' ';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        out += '\\';
        out += value[i];
    }
  }
  return out;
}

}  // namespace

String linkOfDesktopEntry(std::string_view content) {
  bool inEntry = false;
  std::optional<std::string_view> type;
  std::optional<std::string_view> url;
  bool firstGroup = true;
  scanKeyFile(withoutByteOrderMark(content), [&](const KeyFileLine& line) {
    if (line.isGroup) {
      // Only the first group counts, and it must be the entry.
      inEntry = firstGroup && line.name == "Desktop Entry";
      firstGroup = false;
      return inEntry;
    }
    if (inEntry && line.name == "Type" && !type) type = line.value;
    if (inEntry && line.name == "URL" && !url) url = line.value;
    return true;
  });
  if (type != "Link" || !url || url->empty()) return String();
  const String link(unescapedDesktopValue(*url));
  return link.isEmpty() ? String() : link;
}

String linkOfInternetShortcut(std::string_view content) {
  bool inShortcut = false;
  std::optional<std::string_view> url;
  scanKeyFile(withoutByteOrderMark(content), [&](const KeyFileLine& line) {
    if (line.isGroup) {
      inShortcut = asciiEqualNoCase(line.name, "InternetShortcut");
    } else if (inShortcut && asciiEqualNoCase(line.name, "URL")) {
      url = line.value;
    }
    return !url;
  });
  if (!url || url->empty()) return String();
  String link = String::withUtf8(*url);
  if (link.isNil()) link = stringWithBytes(url->data(), url->size(), NSWindowsCP1252StringEncoding);
  return link;
}

}  // namespace orvin::detail
