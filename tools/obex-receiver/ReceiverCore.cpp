#include "ReceiverCore.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstdio>
#include <cstring>

namespace orvin::obexreceiver {
namespace {

unsigned readBigEndian16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return (unsigned{bytes[at]} << 8) | bytes[at + 1];
}

PacketCheck rejected(std::string reason) {
  PacketCheck check;
  check.verdict = PacketVerdict::Reject;
  check.reason = std::move(reason);
  return check;
}

std::string formatted(const char* format, unsigned a, unsigned b = 0, unsigned c = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

void appendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

constexpr std::size_t kMaxFileNameBytes = 255;

}  // namespace

PacketCheck checkRequestPacket(std::span<const std::uint8_t> bytes, std::size_t maxPacketLength) {
  if (bytes.size() < 3) return {};
  const unsigned length = readBigEndian16(bytes, 1);
  if (length < 3) return rejected(formatted("packet length %u is below 3", length));
  if (length > maxPacketLength) {
    return rejected(formatted("packet length %u exceeds the announced maximum %u", length,
                              static_cast<unsigned>(maxPacketLength)));
  }
  if (bytes.size() < length) return {};

  const std::uint8_t command = bytes[0] & 0x7F;
  const unsigned headersStart = command == 0x00 ? 7 : command == 0x05 ? 5 : 3;
  if (length < headersStart) {
    return rejected(formatted("request 0x%02X of %u bytes is shorter than its fixed fields (%u)",
                              bytes[0], length, headersStart));
  }

  PacketCheck check;
  check.verdict = PacketVerdict::Complete;
  check.length = length;
  for (unsigned at = headersStart; at < length;) {
    const std::uint8_t id = bytes[at];
    const unsigned left = length - at;
    unsigned size = 0;
    switch (id & 0xC0) {
      case 0x00:
      case 0x40:
        if (left < 3) return rejected(formatted("header 0x%02X cut off at offset %u", id, at));
        size = readBigEndian16(bytes, at + 1);
        if (size < 3 || size > left) {
          return rejected(
              formatted("header 0x%02X claims %u bytes where %u remain", id, size, left));
        }
        if ((id & 0xC0) == 0x00 && (size - 3) % 2 != 0) {
          return rejected(formatted("Unicode header 0x%02X has an odd length %u", id, size));
        }
        if (id == 0x48 || id == 0x49) {
          check.hasBody = true;
          check.bodyBytes += size - 3;
        }
        break;
      case 0x80:
        size = 2;
        break;
      default:
        size = 5;
        break;
    }
    if (size > left) return rejected(formatted("header 0x%02X cut off at offset %u", id, at));
    at += size;
  }
  return check;
}

bool isLibraryOpcode(std::uint8_t opcode) {
  switch (opcode & 0x7F) {
    case 0x00:  // Connect
    case 0x01:  // Disconnect
    case 0x02:  // Put
    case 0x03:  // Get
    case 0x05:  // SetPath
    case 0x7F:  // Abort
      return true;
    default:
      return false;
  }
}

std::string utf16BigEndianToUtf8(std::span<const std::uint8_t> bytes, bool& damaged) {
  damaged = false;
  std::size_t units = bytes.size() / 2;
  if (bytes.size() % 2 != 0) damaged = true;
  if (units > 0 && bytes[2 * units - 2] == 0 && bytes[2 * units - 1] == 0) --units;

  std::string out;
  out.reserve(units * 3);
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t c = (std::uint32_t{bytes[2 * i]} << 8) | bytes[2 * i + 1];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
      const std::uint32_t low = (std::uint32_t{bytes[2 * i + 2]} << 8) | bytes[2 * i + 3];
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
      damaged = true;
    }
    appendUtf8(out, c);
  }
  if (bytes.size() % 2 != 0) appendUtf8(out, 0xFFFD);
  return out;
}

std::string sanitizeFileName(std::string_view name, bool& changed) {
  changed = false;
  std::string out;
  out.reserve(name.size());
  for (const char ch : name) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '/' || ch == '\\' || byte < 0x20 || byte == 0x7F) {
      out += '_';
      changed = true;
    } else {
      out += ch;
    }
  }
  if (out.empty()) {
    changed = true;
    return "unnamed";
  }
  if (out.find_first_not_of('.') == std::string::npos) {
    changed = true;
    return std::string(out.size(), '_');
  }
  if (out.size() > kMaxFileNameBytes) {
    std::size_t cut = kMaxFileNameBytes;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
    changed = true;
  }
  return out;
}

std::string numberedFileName(std::string_view name, unsigned number) {
  std::size_t dot = name.rfind('.');
  if (dot == 0 || dot == std::string_view::npos) dot = name.size();
  const std::string suffix = "-" + std::to_string(number);
  std::string stem(name.substr(0, dot));
  const std::string_view extension = name.substr(dot);
  const std::size_t room = kMaxFileNameBytes - suffix.size() - extension.size();
  if (stem.size() > room) {
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;
    stem.resize(cut);
  }
  return stem + suffix + std::string(extension);
}

std::string jsonString(std::string_view text, bool utf8) {
  std::string out = "\"";
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && !utf8)) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string objectRecordJson(const ObjectRecord& record) {
  std::string out = "{\"name\": ";
  out += record.name ? jsonString(*record.name, true) : "null";
  out += ", \"type\": ";
  out += record.type ? jsonString(*record.type, false) : "null";
  out += ", \"length_header\": ";
  out += record.lengthHeader ? std::to_string(*record.lengthHeader) : "null";
  out += ", \"bytes\": " + std::to_string(record.bytes);
  out += ", \"path\": " + jsonString(record.path, true) + "}";
  return out;
}

std::optional<ListenAddress> parseListenAddress(std::string_view text) {
  std::string host;
  std::string_view portText;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find("]:");
    if (close == std::string_view::npos) return std::nullopt;
    host = std::string(text.substr(1, close - 1));
    portText = text.substr(close + 2);
  } else {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || text.find(':') != colon) return std::nullopt;
    host = std::string(text.substr(0, colon));
    portText = text.substr(colon + 1);
  }
  unsigned port = 0;
  const auto [end, error] =
      std::from_chars(portText.data(), portText.data() + portText.size(), port);
  if (portText.empty() || error != std::errc() || end != portText.data() + portText.size() ||
      port > 65535) {
    return std::nullopt;
  }

  ListenAddress result;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&result.address);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&result.address);
  if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
    if (v4->sin_addr.s_addr == htonl(INADDR_ANY)) return std::nullopt;
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<std::uint16_t>(port));
    result.length = sizeof(sockaddr_in);
  } else if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
    if (std::memcmp(&v6->sin6_addr, &in6addr_any, sizeof in6addr_any) == 0) return std::nullopt;
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<std::uint16_t>(port));
    result.length = sizeof(sockaddr_in6);
  } else {
    return std::nullopt;
  }
  return result;
}

}  // namespace orvin::obexreceiver
