#include "support/pasteboard/internal/UriSyntax.h"

namespace orvin::detail {
namespace {

bool isAlpha(char c) noexcept {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(char c) noexcept {
  return c >= '0' && c <= '9';
}
int hexValue(char c) noexcept {
  if (isDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
bool isUnreserved(char c) noexcept {
  return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}
bool isSubDelimiter(char c) noexcept {
  return std::string_view("!$&'()*+,;=").find(c) != std::string_view::npos;
}
bool isPathCharacter(char c) noexcept {
  return isUnreserved(c) || isSubDelimiter(c) || c == ':' || c == '@' || c == '/';
}
// Every character of a URI but "%", whose escape is checked apart.
bool isUriCharacter(char c) noexcept {
  return isPathCharacter(c) || c == '?' || c == '#' || c == '[' || c == ']';
}
bool startsEscape(std::string_view text, std::size_t i) noexcept {
  return i + 2 < text.size() && text[i] == '%' && hexValue(text[i + 1]) >= 0 &&
         hexValue(text[i + 2]) >= 0;
}

// Splits "userinfo@host:port" into the host; nullopt when a bracket or the
// port is malformed.
std::optional<std::string_view> hostOf(std::string_view authority) {
  if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  std::string_view host = authority;
  std::string_view rest;
  if (!authority.empty() && authority.front() == '[') {
    const auto close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = authority.substr(0, close + 1);
    rest = authority.substr(close + 1);
    if (!rest.empty() && rest.front() != ':') return std::nullopt;
  } else if (const auto colon = authority.find(':'); colon != std::string_view::npos) {
    host = authority.substr(0, colon);
    rest = authority.substr(colon);
  }
  const std::string_view inner = host.starts_with('[') ? host.substr(1, host.size() - 2) : host;
  if (inner.find_first_of("[]") != std::string_view::npos) return std::nullopt;
  if (!rest.empty()) {
    for (const char c : rest.substr(1)) {
      if (!isDigit(c)) return std::nullopt;
    }
  }
  return host;
}

}  // namespace

bool asciiEqualNoCase(std::string_view a, std::string_view b) noexcept {
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::size_t schemeLength(std::string_view text) noexcept {
  if (text.empty() || !isAlpha(text.front())) return 0;
  for (std::size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ':') return i;
    if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') return 0;
  }
  return 0;
}

std::optional<UriParts> parseUri(std::string_view text) {
  const std::size_t schemeEnd = schemeLength(text);
  if (schemeEnd == 0) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' ? !startsEscape(text, i) : !isUriCharacter(text[i])) return std::nullopt;
  }
  UriParts parts;
  parts.scheme = text.substr(0, schemeEnd);
  std::string_view rest = text.substr(schemeEnd + 1);

  if (const auto hash = rest.find('#'); hash != std::string_view::npos) {
    parts.fragment = rest.substr(hash + 1);
    if (parts.fragment->find('#') != std::string_view::npos) return std::nullopt;
    rest = rest.substr(0, hash);
  }
  if (const auto question = rest.find('?'); question != std::string_view::npos) {
    parts.query = rest.substr(question + 1);
    rest = rest.substr(0, question);
  }
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    const auto slash = rest.find('/');
    parts.authority = rest.substr(0, slash);
    const auto host = hostOf(*parts.authority);
    if (!host) return std::nullopt;
    parts.host = *host;
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  }
  // Brackets belong to an IPv6 host alone.
  const auto outsideHost = [](std::optional<std::string_view> part) {
    return part && part->find_first_of("[]") != std::string_view::npos;
  };
  if (outsideHost(rest) || outsideHost(parts.query) || outsideHost(parts.fragment)) {
    return std::nullopt;
  }
  parts.path = rest;
  return parts;
}

std::optional<std::string> percentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (!startsEscape(text, i)) return std::nullopt;
    out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
    i += 2;
  }
  return out;
}

std::string percentEscaped(std::string_view bytes, UriKeep keep) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size());
  bool fragmentSeen = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    bool kept;
    if (keep == UriKeep::PathCharacters) {
      kept = isPathCharacter(c);
    } else if (c == '%') {
      kept = startsEscape(bytes, i);
    } else if (c == '#') {
      kept = !fragmentSeen;
      fragmentSeen = true;
    } else {
      kept = isUriCharacter(c);
    }
    if (kept) {
      out += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

}  // namespace orvin::detail
