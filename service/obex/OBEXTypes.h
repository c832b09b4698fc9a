// Numbers of the OBEX client: status results, operation codes, response
// codes and header identifiers. Status results are ours; the wire values
// (operation and response codes, header identifiers) are the protocol's.
#pragma once

#include <cstdint>

namespace wendlock {

// Result of every OBEX call: 0 (kOBEXSuccess) or one of the negative codes.
using OBEXError = std::int32_t;

inline constexpr OBEXError kOBEXSuccess = 0;
inline constexpr OBEXError kOBEXGeneralError = -1;
inline constexpr OBEXError kOBEXNoResourcesError = -2;
inline constexpr OBEXError kOBEXUnsupportedError = -3;
inline constexpr OBEXError kOBEXBadArgumentError = -4;
// A request is outstanding; OBEX allows one at a time.
inline constexpr OBEXError kOBEXSessionBusyError = -10;
// The request needs an OBEX connection that is not (or no longer) there.
inline constexpr OBEXError kOBEXSessionNotConnectedError = -11;
inline constexpr OBEXError kOBEXSessionAlreadyConnectedError = -12;
// The server sent something that is not a well-formed response.
inline constexpr OBEXError kOBEXSessionBadResponseError = -13;
// The transport could not be opened.
inline constexpr OBEXError kOBEXSessionNoTransportError = -14;
// The transport broke: closed by the peer, reset, or failed to write.
inline constexpr OBEXError kOBEXSessionTransportDiedError = -15;

using OBEXOpCode = std::uint8_t;
using OBEXFlags = std::uint8_t;
using OBEXMaxPacketLength = std::uint16_t;

inline constexpr OBEXOpCode kOBEXOpCodeConnect = 0x80;
inline constexpr OBEXOpCode kOBEXOpCodeDisconnect = 0x81;
inline constexpr OBEXOpCode kOBEXOpCodePut = 0x02;
inline constexpr OBEXOpCode kOBEXOpCodePutWithFinalBit = 0x82;
inline constexpr std::uint8_t kOBEXFinalBit = 0x80;
inline constexpr std::uint8_t kOBEXVersion10 = 0x10;

// Response codes as they travel, final bit included.
inline constexpr std::uint8_t kOBEXResponseCodeContinueWithFinalBit = 0x90;
inline constexpr std::uint8_t kOBEXResponseCodeSuccessWithFinalBit = 0xA0;
inline constexpr std::uint8_t kOBEXResponseCodeForbiddenWithFinalBit = 0xC3;
inline constexpr std::uint8_t kOBEXResponseCodeLengthRequiredWithFinalBit = 0xCB;
// Never sent by a server (every response has the final bit): the code of an
// event that carries a local failure instead of an answer.
inline constexpr std::uint8_t kOBEXResponseCodeNone = 0x00;

// Header identifiers. The top two bits give the encoding.
inline constexpr std::uint8_t kOBEXHeaderIDName = 0x01;
inline constexpr std::uint8_t kOBEXHeaderIDType = 0x42;
inline constexpr std::uint8_t kOBEXHeaderIDLength = 0xC3;
inline constexpr std::uint8_t kOBEXHeaderIDBody = 0x48;
inline constexpr std::uint8_t kOBEXHeaderIDEndOfBody = 0x49;

enum class OBEXHeaderEncoding : std::uint8_t {
  Unicode = 0x00,       // 2-byte length prefix, UTF-16 big endian, NUL-terminated
  ByteSequence = 0x40,  // 2-byte length prefix
  OneByte = 0x80,
  FourByte = 0xC0,
};

constexpr OBEXHeaderEncoding OBEXHeaderEncodingOf(std::uint8_t identifier) {
  return static_cast<OBEXHeaderEncoding>(identifier & 0xC0);
}

// The smallest maximum packet length OBEX allows either side to announce.
inline constexpr OBEXMaxPacketLength kOBEXMinimumPacketLength = 255;
// Bytes before the headers of a Put or Disconnect packet: opcode, length.
inline constexpr std::uint16_t kOBEXRequestPrefixLength = 3;
// Bytes before the headers of a Connect packet or response: the above plus
// version, flags and maximum packet length.
inline constexpr std::uint16_t kOBEXConnectPrefixLength = 7;
// Identifier and length of a Body or End-of-Body header.
inline constexpr std::uint16_t kOBEXBodyHeaderPrefixLength = 3;

}  // namespace wendlock
