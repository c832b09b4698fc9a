#include "service/obex/OBEXCodec.h"

#include <algorithm>
#include <new>

#include "chars/StandardWalk.h"

namespace wendlock {

using orvin::NSUInteger;
using orvin::String;
using orvin::unichar;
using orvin::walkCharacters;
namespace {

constexpr std::size_t kMaxPacket = 0xFFFF;
// Identifier and 16-bit length in front of a Unicode or byte-sequence value.
constexpr std::size_t kPrefixedHeaderOverhead = 3;
constexpr std::size_t kMaxPrefixedValue = kMaxPacket - kPrefixedHeaderOverhead;

void putU16(OBEXBytes& out, std::size_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

std::uint16_t readU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

// The header with `identifier` around `value`, encoded as the identifier's
// encoding prescribes; nullopt when the value does not suit it.
std::optional<OBEXBytes> encodeHeader(std::uint8_t identifier,
                                      std::span<const std::uint8_t> value) {
  OBEXBytes out;
  switch (OBEXHeaderEncodingOf(identifier)) {
    case OBEXHeaderEncoding::Unicode:
      if (value.size() % 2 != 0) return std::nullopt;
      [[fallthrough]];
    case OBEXHeaderEncoding::ByteSequence:
      if (value.size() > kMaxPrefixedValue) return std::nullopt;
      out.reserve(kPrefixedHeaderOverhead + value.size());
      out.push_back(identifier);
      putU16(out, kPrefixedHeaderOverhead + value.size());
      break;
    case OBEXHeaderEncoding::OneByte:
      if (value.size() != 1) return std::nullopt;
      out.push_back(identifier);
      break;
    case OBEXHeaderEncoding::FourByte:
      if (value.size() != 4) return std::nullopt;
      out.push_back(identifier);
      break;
  }
  out.insert(out.end(), value.begin(), value.end());
  return out;
}

// Runs `body`, turning a failed allocation into `onNoMemory`.
template <class Result, class Body>
Result withoutThrowing(Result onNoMemory, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return onNoMemory;
  }
}

// Request packet: `opcode`, length, then `prefix` (Connect's fields), the
// headers and an optional body header.
std::optional<OBEXBytes> makeRequest(std::uint8_t opcode, std::span<const std::uint8_t> prefix,
                                     std::span<const std::uint8_t> headers,
                                     std::optional<std::uint8_t> bodyIdentifier,
                                     std::span<const std::uint8_t> body) {
  const std::size_t bodyHeader = bodyIdentifier ? kOBEXBodyHeaderPrefixLength + body.size() : 0;
  if (headers.size() > kMaxPacket || body.size() > kMaxPacket) return std::nullopt;
  const std::size_t total = kOBEXRequestPrefixLength + prefix.size() + headers.size() + bodyHeader;
  if (total > kMaxPacket) return std::nullopt;
  return withoutThrowing(std::optional<OBEXBytes>(), [&]() -> std::optional<OBEXBytes> {
    OBEXBytes out;
    out.reserve(total);
    out.push_back(opcode);
    putU16(out, total);
    out.insert(out.end(), prefix.begin(), prefix.end());
    out.insert(out.end(), headers.begin(), headers.end());
    if (bodyIdentifier) {
      out.push_back(*bodyIdentifier);
      putU16(out, kOBEXBodyHeaderPrefixLength + body.size());
      out.insert(out.end(), body.begin(), body.end());
    }
    return out;
  });
}

}  // namespace

const OBEXBytes* OBEXHeaderDictionary::find(std::uint8_t identifier) const {
  const auto it = headers_.find(identifier);
  return it == headers_.end() ? nullptr : &it->second;
}

void OBEXHeaderDictionary::set(std::uint8_t identifier, OBEXBytes encoded) {
  headers_[identifier] = std::move(encoded);
}

OBEXError OBEXAddHeader(std::uint8_t identifier, std::span<const std::uint8_t> value,
                        OBEXHeaderDictionary* dictionary) {
  if (dictionary == nullptr) return kOBEXBadArgumentError;
  return withoutThrowing(kOBEXNoResourcesError, [&] {
    std::optional<OBEXBytes> encoded = encodeHeader(identifier, value);
    if (!encoded) return kOBEXBadArgumentError;
    dictionary->set(identifier, std::move(*encoded));
    return kOBEXSuccess;
  });
}

OBEXError OBEXAddNameHeader(const String& name, OBEXHeaderDictionary* dictionary) {
  if (name.isNil() || dictionary == nullptr) return kOBEXBadArgumentError;
  // Room for the name and its NUL, two bytes each.
  if (name.length() > kMaxPrefixedValue / 2 - 1) return kOBEXBadArgumentError;
  return withoutThrowing(kOBEXNoResourcesError, [&] {
    OBEXBytes value;
    const OBEXError walked = walkCharacters(
        name, kOBEXSuccess, kOBEXNoResourcesError, [&](const unichar* p, NSUInteger n) {
          value.reserve(2 * (n + 1));
          for (NSUInteger i = 0; i < n; ++i) {
            if (p[i] == 0) return kOBEXBadArgumentError;
            value.push_back(static_cast<std::uint8_t>(p[i] >> 8));
            value.push_back(static_cast<std::uint8_t>(p[i]));
          }
          return kOBEXSuccess;
        });
    if (walked != kOBEXSuccess) return walked;
    if (!value.empty()) value.insert(value.end(), {0, 0});
    return OBEXAddHeader(kOBEXHeaderIDName, value, dictionary);
  });
}

OBEXError OBEXAddTypeHeader(const String& type, OBEXHeaderDictionary* dictionary) {
  if (type.isNil() || dictionary == nullptr) return kOBEXBadArgumentError;
  if (type.length() > kMaxPrefixedValue - 1) return kOBEXBadArgumentError;
  return withoutThrowing(kOBEXNoResourcesError, [&] {
    OBEXBytes value;
    const OBEXError walked = walkCharacters(type, kOBEXSuccess, kOBEXNoResourcesError,
                                            [&](const unichar* p, NSUInteger n) {
                                              value.reserve(n + 1);
                                              for (NSUInteger i = 0; i < n; ++i) {
                                                if (p[i] == 0 || p[i] > 0x7F)
                                                  return kOBEXBadArgumentError;
                                                value.push_back(static_cast<std::uint8_t>(p[i]));
                                              }
                                              return kOBEXSuccess;
                                            });
    if (walked != kOBEXSuccess) return walked;
    if (!value.empty()) value.push_back(0);
    return OBEXAddHeader(kOBEXHeaderIDType, value, dictionary);
  });
}

OBEXError OBEXAddLengthHeader(std::uint32_t length, OBEXHeaderDictionary* dictionary) {
  const std::uint8_t value[4] = {
      static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
      static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
  return OBEXAddHeader(kOBEXHeaderIDLength, value, dictionary);
}

std::optional<OBEXBytes> OBEXHeadersToBytes(const OBEXHeaderDictionary* dictionary) {
  if (dictionary == nullptr) return std::nullopt;
  return withoutThrowing(std::optional<OBEXBytes>(), [&]() -> std::optional<OBEXBytes> {
    // Receivers look for the object's name and type first; keep them in front.
    static constexpr std::uint8_t kLeading[] = {kOBEXHeaderIDName, kOBEXHeaderIDType,
                                                kOBEXHeaderIDLength};
    OBEXBytes out;
    for (std::uint8_t id : kLeading) {
      if (const OBEXBytes* h = dictionary->find(id)) out.insert(out.end(), h->begin(), h->end());
    }
    for (const auto& [id, h] : dictionary->entries()) {
      if (std::find(std::begin(kLeading), std::end(kLeading), id) == std::end(kLeading)) {
        out.insert(out.end(), h.begin(), h.end());
      }
    }
    return out;
  });
}

bool OBEXParseHeaders(std::span<const std::uint8_t> bytes, std::vector<OBEXHeader>* headers) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::uint8_t id = bytes[at];
    const std::size_t left = bytes.size() - at;
    std::size_t headerLength = 0;
    std::size_t valueOffset = 1;
    switch (OBEXHeaderEncodingOf(id)) {
      case OBEXHeaderEncoding::Unicode:
      case OBEXHeaderEncoding::ByteSequence:
        if (left < kPrefixedHeaderOverhead) return false;
        headerLength = readU16(&bytes[at + 1]);
        valueOffset = kPrefixedHeaderOverhead;
        if (headerLength < kPrefixedHeaderOverhead) return false;
        if (OBEXHeaderEncodingOf(id) == OBEXHeaderEncoding::Unicode && headerLength % 2 == 0) {
          return false;  // a Unicode value is whole code units
        }
        break;
      case OBEXHeaderEncoding::OneByte:
        headerLength = 2;
        break;
      case OBEXHeaderEncoding::FourByte:
        headerLength = 5;
        break;
    }
    if (headerLength > left) return false;
    if (headers != nullptr) {
      headers->push_back(
          OBEXHeader{id, bytes.subspan(at + valueOffset, headerLength - valueOffset)});
    }
    at += headerLength;
  }
  return true;
}

String OBEXHeaderUnicodeValue(const OBEXHeader& header) {
  if (OBEXHeaderEncodingOf(header.identifier) != OBEXHeaderEncoding::Unicode) return String();
  std::u16string text;
  for (std::size_t i = 0; i + 1 < header.value.size(); i += 2) {
    text.push_back(static_cast<char16_t>((header.value[i] << 8) | header.value[i + 1]));
  }
  if (!text.empty() && text.back() == 0) text.pop_back();
  return String(text);
}

std::optional<std::uint32_t> OBEXHeaderFourByteValue(const OBEXHeader& header) {
  if (OBEXHeaderEncodingOf(header.identifier) != OBEXHeaderEncoding::FourByte ||
      header.value.size() != 4) {
    return std::nullopt;
  }
  const auto& v = header.value;
  return (std::uint32_t{v[0]} << 24) | (std::uint32_t{v[1]} << 16) | (std::uint32_t{v[2]} << 8) |
         std::uint32_t{v[3]};
}

std::optional<OBEXBytes> OBEXMakeConnectPacket(OBEXFlags flags, OBEXMaxPacketLength maxPacketLength,
                                               std::span<const std::uint8_t> headers) {
  const std::uint8_t fields[] = {kOBEXVersion10, flags,
                                 static_cast<std::uint8_t>(maxPacketLength >> 8),
                                 static_cast<std::uint8_t>(maxPacketLength)};
  return makeRequest(kOBEXOpCodeConnect, fields, headers, std::nullopt, {});
}

std::optional<OBEXBytes> OBEXMakePutPacket(bool isFinal, std::span<const std::uint8_t> headers,
                                           std::span<const std::uint8_t> body) {
  std::optional<std::uint8_t> bodyId;
  if (isFinal) {
    bodyId = kOBEXHeaderIDEndOfBody;
  } else if (!body.empty()) {
    bodyId = kOBEXHeaderIDBody;
  }
  return makeRequest(isFinal ? kOBEXOpCodePutWithFinalBit : kOBEXOpCodePut, {}, headers, bodyId,
                     body);
}

std::optional<OBEXBytes> OBEXMakeDisconnectPacket(std::span<const std::uint8_t> headers) {
  return makeRequest(kOBEXOpCodeDisconnect, {}, headers, std::nullopt, {});
}

OBEXError OBEXParseResponse(std::span<const std::uint8_t> packet, bool isConnectResponse,
                            OBEXMaxPacketLength limit, OBEXResponse* response) {
  if (response == nullptr) return kOBEXBadArgumentError;
  *response = OBEXResponse();
  if (packet.size() < kOBEXRequestPrefixLength) return kOBEXSessionBadResponseError;
  const std::uint16_t length = readU16(&packet[1]);
  if (length != packet.size() || length < kOBEXRequestPrefixLength || length > limit) {
    return kOBEXSessionBadResponseError;
  }
  const std::uint8_t code = packet[0];
  if ((code & kOBEXFinalBit) == 0) return kOBEXSessionBadResponseError;

  std::size_t headersAt = kOBEXRequestPrefixLength;
  if (isConnectResponse) {
    const bool success = code == kOBEXResponseCodeSuccessWithFinalBit;
    if (length >= kOBEXConnectPrefixLength) {
      response->hasConnectFields = true;
      response->version = packet[3];
      response->flags = packet[4];
      response->maxPacketLength = readU16(&packet[5]);
      headersAt = kOBEXConnectPrefixLength;
      if (success && response->maxPacketLength < kOBEXMinimumPacketLength) {
        return kOBEXSessionBadResponseError;
      }
    } else if (success || length > kOBEXRequestPrefixLength) {
      return kOBEXSessionBadResponseError;  // fields cut short
    }
  }
  response->code = code;
  response->length = length;
  response->headerBytes = packet.subspan(headersAt);
  return withoutThrowing(kOBEXNoResourcesError, [&] {
    if (!OBEXParseHeaders(response->headerBytes, &response->headers)) {
      return kOBEXSessionBadResponseError;
    }
    return kOBEXSuccess;
  });
}

void OBEXResponseFramer::reset(OBEXMaxPacketLength limit) noexcept {
  limit_ = limit;
  state_ = State::NeedMore;
  expected_ = 0;
  buffer_.clear();
}

std::size_t OBEXResponseFramer::feed(std::span<const std::uint8_t> bytes) {
  std::size_t taken = 0;
  while (state_ == State::NeedMore && taken < bytes.size()) {
    // Until the length field is in, take only the 3 bytes that carry it.
    const std::size_t want =
        (expected_ == 0 ? kOBEXRequestPrefixLength : expected_) - buffer_.size();
    const std::size_t n = std::min(want, bytes.size() - taken);
    buffer_.insert(buffer_.end(), bytes.begin() + taken, bytes.begin() + taken + n);
    taken += n;
    if (expected_ == 0 && buffer_.size() == kOBEXRequestPrefixLength) {
      expected_ = readU16(&buffer_[1]);
      if (expected_ < kOBEXRequestPrefixLength || expected_ > limit_) {
        state_ = State::Malformed;
        break;
      }
      buffer_.reserve(expected_);
    }
    if (expected_ != 0 && buffer_.size() == expected_) state_ = State::Complete;
  }
  return taken;
}

std::span<const std::uint8_t> OBEXResponseFramer::packet() const noexcept {
  if (state_ != State::Complete) return {};
  return buffer_;
}

}  // namespace wendlock
