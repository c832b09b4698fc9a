// The parts of RFC 3986 that links on a pasteboard need: checking that text
// is an absolute URI, taking it apart, and percent-escapes both ways. All
// of it works on bytes; a URI is ASCII.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvin::detail {

// Length of the scheme that starts `text` (ALPHA *( ALPHA / DIGIT / "+" /
// "-" / "." ) before a ":"), or 0 when it does not start with one.
//   schemeLength("https://x")  // 5
[[nodiscard]] std::size_t schemeLength(std::string_view text) noexcept;

// The components of an absolute URI. The authority is there (possibly
// empty) only when "//" follows the scheme; the host is the authority
// without user information and port, brackets kept for IPv6.
struct UriParts {
  std::string_view scheme;
  std::optional<std::string_view> authority;
  std::string_view host;
  std::string_view path;
  std::optional<std::string_view> query;
  std::optional<std::string_view> fragment;
};

// The components of `text` when it is an absolute URI: a scheme, then only
// URI characters, every "%" followed by two hex digits, at most one "#",
// "[" and "]" only around the host, and a port of digits. nullopt otherwise.
//   parseUri("file:///tmp/a%20b")->path  // "/tmp/a%20b"
[[nodiscard]] std::optional<UriParts> parseUri(std::string_view text);

// The bytes that percent-escapes in `text` stand for; nullopt when a "%" is
// not followed by two hex digits.
//   percentDecoded("a%20b")  // "a b"
[[nodiscard]] std::optional<std::string> percentDecoded(std::string_view text);

// Which bytes percentEscaped keeps as they are.
enum class UriKeep {
  PathCharacters,  // unreserved, sub-delims, ":", "@" and "/": what a path holds
  UriCharacters,   // every character a URI may hold, and well-formed escapes
};

// `bytes` with every byte that `keep` does not allow written as "%XX". With
// UriCharacters, a "%" that starts no escape and every "#" after the first
// are escaped too.
//   percentEscaped("/a b#", UriKeep::PathCharacters)  // "/a%20b%23"
[[nodiscard]] std::string percentEscaped(std::string_view bytes, UriKeep keep);

// ASCII letters compared without case, every other byte exactly.
//   asciiEqualNoCase("File", "file")  // true
[[nodiscard]] bool asciiEqualNoCase(std::string_view a, std::string_view b) noexcept;

}  // namespace orvin::detail
