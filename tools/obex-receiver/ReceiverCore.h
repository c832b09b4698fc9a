// The parts of the test OBEX receiver that touch neither sockets nor
// libopenobex: checking request packets before the library sees them, turning
// a received Name into a file name that stays inside the target directory,
// and writing the per-object JSON record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <netinet/in.h>
#include <sys/socket.h>

namespace orvin::obexreceiver {

enum class PacketVerdict {
  NeedMore,  // not a whole packet yet
  Complete,  // one well-formed packet of `length` bytes at the front
  Reject,    // the peer broke the framing; `reason` says how
};

// What checkRequestPacket found in the front of the receive buffer.
struct PacketCheck {
  PacketVerdict verdict = PacketVerdict::NeedMore;
  std::size_t length = 0;       // packet length (Complete)
  bool hasBody = false;         // a Body or End-of-Body header is present
  std::uint64_t bodyBytes = 0;  // bytes carried by those headers
  std::string reason;           // why (Reject)
};

// Checks the packet at the front of `bytes` as a client request: a length
// field of at least 3 and at most `maxPacketLength`, a Connect (7 bytes) or
// SetPath (5 bytes) prefix that fits, and headers whose own lengths stay
// inside the packet (Unicode headers of even payload). libopenobex 1.7.2
// trusts all of these, so nothing reaches it unchecked.
//   checkRequestPacket({0x81, 0x00, 0x03}, 1024).verdict == Complete
//   checkRequestPacket({0x02, 0x08, 0x00}, 1024).verdict == Reject  (2048)
[[nodiscard]] PacketCheck checkRequestPacket(std::span<const std::uint8_t> bytes,
                                             std::size_t maxPacketLength);

// Whether libopenobex is given requests with this opcode (final bit
// ignored): Connect, Disconnect, Put, Get, SetPath, Abort. Others are
// answered Not Implemented without it.
//   isLibraryOpcode(0x82) == true;  isLibraryOpcode(0x86) == false
[[nodiscard]] bool isLibraryOpcode(std::uint8_t opcode);

// A Name header's payload (UTF-16 big endian, normally ending in one NUL
// code unit) as UTF-8. The terminating NUL is dropped; unpaired surrogates
// and a dangling odd byte become U+FFFD and set `damaged`.
//   utf16BigEndianToUtf8({0x00,'a',0x00,0x00}, d) == "a"
[[nodiscard]] std::string utf16BigEndianToUtf8(std::span<const std::uint8_t> bytes, bool& damaged);

// A received name made safe as one file name directly inside the target
// directory: "/" and "\" become "_", as do control characters; a name made
// only of dots gets "_" for each dot; an empty name becomes "unnamed"; more
// than 255 bytes are cut at a character boundary. `changed` says whether
// anything was altered.
//   sanitizeFileName("../../etc/passwd", c) == ".._.._etc_passwd"  (c true)
//   sanitizeFileName("note.txt", c) == "note.txt"                  (c false)
[[nodiscard]] std::string sanitizeFileName(std::string_view name, bool& changed);

// `name` with "-N" put before its extension, for a name already taken.
//   numberedFileName("a.txt", 2) == "a-2.txt";  numberedFileName("a", 1) == "a-1"
[[nodiscard]] std::string numberedFileName(std::string_view name, unsigned number);

// `text` as a quoted JSON string. Bytes of 0x80 and above are kept when
// `utf8` is true (the text is valid UTF-8) and written as \u00XX otherwise.
//   jsonString("a\"b", true) == "\"a\\\"b\""
[[nodiscard]] std::string jsonString(std::string_view text, bool utf8);

// One stored object, as reported on standard output.
struct ObjectRecord {
  std::optional<std::string> name;  // decoded Name header (UTF-8)
  std::optional<std::string> type;  // Type header without its NUL
  std::optional<std::uint32_t> lengthHeader;
  std::uint64_t bytes = 0;
  std::string path;
};

// The record as one JSON line without the newline:
// {"name": ..., "type": ..., "length_header": N|null, "bytes": N, "path": ...}
[[nodiscard]] std::string objectRecordJson(const ObjectRecord& record);

// A numeric listening address: "127.0.0.1:650", "[::1]:0". Host names and
// the wildcard addresses are refused so the receiver never listens wider
// than asked.
struct ListenAddress {
  sockaddr_storage address{};
  socklen_t length = 0;
};
[[nodiscard]] std::optional<ListenAddress> parseListenAddress(std::string_view text);

}  // namespace orvin::obexreceiver
