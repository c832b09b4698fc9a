#include "paths/internal/UserDirs.h"

#include <string>

namespace orvin::detail {
namespace {

std::string_view trimmed(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

// The text between the quotes with backslash escapes undone; false when the
// value is not one quoted word.
bool unquote(std::string_view value, std::string& out) {
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return false;
  value = value.substr(1, value.size() - 2);
  for (std::size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '"') return false;
    if (c == '\\') {
      if (++i == value.size()) return false;
      c = value[i];
    }
    out.push_back(c);
  }
  return true;
}

}  // namespace

String userDirFromContent(std::string_view content, std::string_view key, const String& home) {
  String found;
  while (!content.empty()) {
    const std::size_t end = content.find('\n');
    const std::string_view line = trimmed(content.substr(0, end));
    content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
    if (line.size() <= key.size() || !line.starts_with(key) || line[key.size()] != '=') continue;
    std::string value;
    if (!unquote(line.substr(key.size() + 1), value)) continue;
    if (value == "$HOME" || value.starts_with("$HOME/")) {
      const std::string homeBytes = home.toUtf8();
      if (home.isNil()) continue;
      value = homeBytes + value.substr(5);
    } else if (!value.starts_with('/')) {
      continue;
    }
    String path = String::withUtf8(value);
    if (!path.isNil()) found = path;
  }
  return found;
}

}  // namespace orvin::detail
