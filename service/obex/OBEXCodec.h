// The OBEX wire format, without any I/O: the header dictionary and its
// encoding, the request packets the client sends (Connect, Put, Disconnect),
// and a strict, bounds-checked reader for the server's responses that takes
// bytes as they arrive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "chars/String.h"
#include "service/obex/OBEXTypes.h"

namespace wendlock {

using OBEXBytes = std::vector<std::uint8_t>;

// Headers being assembled for a request, one per identifier, each held
// encoded exactly as it travels (identifier, length prefix, value).
class OBEXHeaderDictionary {
 public:
  [[nodiscard]] bool empty() const noexcept { return headers_.empty(); }
  [[nodiscard]] std::size_t count() const noexcept { return headers_.size(); }
  // The encoded header with `identifier`, or nullptr.
  [[nodiscard]] const OBEXBytes* find(std::uint8_t identifier) const;
  // Adds or replaces the header with `identifier`.
  void set(std::uint8_t identifier, OBEXBytes encoded);
  void remove(std::uint8_t identifier) { headers_.erase(identifier); }
  // Every header by identifier.
  [[nodiscard]] const std::map<std::uint8_t, OBEXBytes>& entries() const noexcept {
    return headers_;
  }

 private:
  std::map<std::uint8_t, OBEXBytes> headers_;
};

// Adds the Name header (0x01): `name` as UTF-16 big endian with a closing
// NUL; the empty name is the bare 3-byte header. kOBEXBadArgumentError for
// nil, a NUL inside the name, or a name too long for one header.
//   OBEXAddNameHeader(u"a.txt", &d);  // 01 00 0F 00 61 00 2E 00 74 00 78 00 74 00 00
[[nodiscard]] OBEXError OBEXAddNameHeader(const orvin::String& name,
                                          OBEXHeaderDictionary* dictionary);

// Adds the Type header (0x42): the ASCII bytes of `type` with a closing NUL;
// the empty type is the bare 3-byte header. kOBEXBadArgumentError for nil,
// a character outside ASCII, a NUL, or a type too long for one header.
//   OBEXAddTypeHeader(u"text/plain", &d);  // 42 00 0E 74 65 ... 6E 00
[[nodiscard]] OBEXError OBEXAddTypeHeader(const orvin::String& type,
                                          OBEXHeaderDictionary* dictionary);

// Adds the Length header (0xC3): the object's length, four bytes big endian.
//   OBEXAddLengthHeader(300, &d);  // C3 00 00 01 2C
[[nodiscard]] OBEXError OBEXAddLengthHeader(std::uint32_t length, OBEXHeaderDictionary* dictionary);

// Adds any header from its value as it travels (for a Unicode header the
// UTF-16 big endian bytes with their NUL). The value must suit the encoding
// the identifier names: 1 byte, 4 bytes, or at most 65532 bytes (even for
// Unicode). kOBEXBadArgumentError otherwise.
//   const std::uint8_t id[] = {0, 0, 0, 7};
//   OBEXAddHeader(0xCB, id, &d);  // Connection ID 7
[[nodiscard]] OBEXError OBEXAddHeader(std::uint8_t identifier, std::span<const std::uint8_t> value,
                                      OBEXHeaderDictionary* dictionary);

// All headers of `dictionary` as one byte block, in a fixed order: Name,
// Type, Length, then the rest by identifier. nullopt for a null dictionary
// or when memory runs out; an empty dictionary gives an empty block.
//   auto bytes = OBEXHeadersToBytes(&d);  // Name header bytes, then Type ...
[[nodiscard]] std::optional<OBEXBytes> OBEXHeadersToBytes(const OBEXHeaderDictionary* dictionary);

// One header found in a byte block; `value` points into that block and
// excludes the identifier and the length prefix.
struct OBEXHeader {
  std::uint8_t identifier = 0;
  std::span<const std::uint8_t> value;
};

// Splits a header block into its headers, checking every length against
// the block: false for a header that runs past the end, a length prefix
// below 3, or an odd-length Unicode value. `headers` may be nullptr to
// validate only; on false it holds the headers before the fault.
//   std::vector<OBEXHeader> hs;
//   if (OBEXParseHeaders(block, &hs)) ... hs[0].identifier == 0x01 ...
[[nodiscard]] bool OBEXParseHeaders(std::span<const std::uint8_t> bytes,
                                    std::vector<OBEXHeader>* headers);

// The text of a Unicode header (closing NUL dropped); nil when the header is
// not Unicode-encoded.
//   OBEXHeaderUnicodeValue(nameHeader) == u"a.txt"
[[nodiscard]] orvin::String OBEXHeaderUnicodeValue(const OBEXHeader& header);

// The number of a 4-byte header; nullopt for another encoding.
//   OBEXHeaderFourByteValue(lengthHeader) == 300
[[nodiscard]] std::optional<std::uint32_t> OBEXHeaderFourByteValue(const OBEXHeader& header);

// The Connect request: 0x80, length, version 1.0, `flags`, the largest
// packet we accept, then `headers`. nullopt when the packet would exceed
// 65535 bytes.
//   OBEXMakeConnectPacket(0, 512, {})  // 80 00 07 10 00 02 00
[[nodiscard]] std::optional<OBEXBytes> OBEXMakeConnectPacket(OBEXFlags flags,
                                                             OBEXMaxPacketLength maxPacketLength,
                                                             std::span<const std::uint8_t> headers);

// The size of a Put packet: 3, the headers, and a Body header around `body`
// (End-of-Body when final; a non-final Put with no body has none).
//   OBEXPutPacketLength(true, 0, 10) == 16
[[nodiscard]] constexpr std::size_t OBEXPutPacketLength(bool isFinal, std::size_t headersLength,
                                                        std::size_t bodyLength) {
  const bool hasBody = isFinal || bodyLength > 0;
  return kOBEXRequestPrefixLength + headersLength +
         (hasBody ? kOBEXBodyHeaderPrefixLength + bodyLength : 0);
}

// The room for headers and body in one Put packet of `packetLength` bytes:
// what OBEXSessionGetAvailableCommandPayloadLength answers for Put once a
// session runs with that length.
//   OBEXPutPayloadLength(512) == 506
[[nodiscard]] constexpr std::size_t OBEXPutPayloadLength(OBEXMaxPacketLength packetLength) {
  return packetLength - std::size_t{kOBEXRequestPrefixLength + kOBEXBodyHeaderPrefixLength};
}

// A Put request: opcode 0x02 (0x82 when final), length, `headers`, then
// `body` in a Body header (End-of-Body when final). nullopt when the packet
// would exceed 65535 bytes.
//   OBEXMakePutPacket(true, {}, "hi")  // 82 00 08 49 00 05 68 69
[[nodiscard]] std::optional<OBEXBytes> OBEXMakePutPacket(bool isFinal,
                                                         std::span<const std::uint8_t> headers,
                                                         std::span<const std::uint8_t> body);

// The Disconnect request: 0x81, length, `headers`.
//   OBEXMakeDisconnectPacket({})  // 81 00 03
[[nodiscard]] std::optional<OBEXBytes> OBEXMakeDisconnectPacket(
    std::span<const std::uint8_t> headers);

// A server's response, read by OBEXParseResponse.
struct OBEXResponse {
  std::uint8_t code = kOBEXResponseCodeNone;  // final bit included
  std::uint16_t length = 0;
  // Connect responses only (false for a short refusal).
  bool hasConnectFields = false;
  std::uint8_t version = 0;
  std::uint8_t flags = 0;
  OBEXMaxPacketLength maxPacketLength = 0;
  // The response's headers; their values point into the parsed packet.
  std::span<const std::uint8_t> headerBytes;
  std::vector<OBEXHeader> headers;
};

// Reads one whole response packet. kOBEXSessionBadResponseError when:
// `packet` is shorter than 3 bytes or its length field differs from its
// size or lies outside 3..`limit`; the response code lacks the final bit; a
// successful Connect response lacks its four fields or announces a maximum
// packet length below 255; a header is malformed. A refused Connect may be
// just the 3-byte response.
//   OBEXParseResponse({0xA0, 0x00, 0x03}, false, 512, &r) == kOBEXSuccess  // r.code 0xA0
[[nodiscard]] OBEXError OBEXParseResponse(std::span<const std::uint8_t> packet,
                                          bool isConnectResponse, OBEXMaxPacketLength limit,
                                          OBEXResponse* response);

// Collects one response packet from bytes as they arrive. The packet is
// complete when its length field is satisfied; a length field below 3 or
// above the limit makes the stream malformed at once, so a lying server
// never makes us wait for bytes that will not come.
//   OBEXResponseFramer f(512);
//   f.feed(chunk);  // ... until f.state() != NeedMore
class OBEXResponseFramer {
 public:
  enum class State { NeedMore, Complete, Malformed };

  explicit OBEXResponseFramer(OBEXMaxPacketLength limit = 0xFFFF) noexcept : limit_(limit) {}

  // Forgets everything and waits for a new packet of at most `limit` bytes.
  void reset(OBEXMaxPacketLength limit) noexcept;
  // Takes bytes up to the end of the current packet and returns how many it
  // took: fewer than offered once the packet is complete (the rest belongs
  // to no packet we asked for), none once complete or malformed.
  std::size_t feed(std::span<const std::uint8_t> bytes);
  [[nodiscard]] State state() const noexcept { return state_; }
  // The whole packet, when Complete; empty otherwise.
  [[nodiscard]] std::span<const std::uint8_t> packet() const noexcept;

 private:
  OBEXMaxPacketLength limit_;
  State state_ = State::NeedMore;
  std::size_t expected_ = 0;  // from the length field; 0 until it has arrived
  OBEXBytes buffer_;
};

}  // namespace wendlock
