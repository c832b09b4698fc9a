// SDP data elements for tests, written out byte by byte.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace wendlock::sdpbytes {

using Bytes = std::vector<std::uint8_t>;
using Items = std::initializer_list<Bytes>;

inline Bytes cat(Items parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
// A sequence (0x35) or, with 0x3D, an alternative, with an 8-bit length.
inline Bytes seq(Items items, std::uint8_t descriptor = 0x35) {
  const Bytes body = cat(items);
  return cat({{descriptor, static_cast<std::uint8_t>(body.size())}, body});
}
inline Bytes alt(Items items) {
  return seq(items, 0x3D);
}
inline Bytes u8(std::uint8_t v) {
  return {0x08, v};
}
inline Bytes u16(std::uint16_t v) {
  return {0x09, static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}
inline Bytes uuid16(std::uint16_t v) {
  return {0x19, static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}
inline Bytes uuid32(std::uint32_t v) {
  return {0x1A, static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}
// The Bluetooth base UUID when the last byte is 0xFB.
inline Bytes uuid128(std::uint32_t v, std::uint8_t lastByte = 0xFB) {
  Bytes out = uuid32(v);
  out[0] = 0x1C;
  // From a named vector: GCC 12 at -O3 misreads an insert of a braced list
  // as out of bounds.
  const Bytes tail = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, lastByte};
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

inline const Bytes kL2CAP = seq({uuid16(0x0100)});
inline const Bytes kOBEX = seq({uuid16(0x0008)});
inline Bytes rfcomm(Bytes channel) {
  return seq({uuid16(0x0003), channel});
}
inline Bytes stack(std::uint8_t channel) {
  return seq({kL2CAP, rfcomm(u8(channel)), kOBEX});
}
inline Bytes record(Bytes classes, Bytes protocols) {
  return seq({u16(0x0001), classes, u16(0x0004), protocols});
}
inline Bytes oppRecord(std::uint8_t channel) {
  return record(seq({uuid16(0x1105)}), stack(channel));
}
// The same sequence with its length in 2 or 4 bytes.
inline Bytes withWideLength(const Bytes& sequence, int lengthBytes) {
  Bytes out = {static_cast<std::uint8_t>(lengthBytes == 2 ? 0x36 : 0x37)};
  for (int i = lengthBytes - 1; i >= 0; --i) {
    out.push_back(static_cast<std::uint8_t>(sequence[1] >> (8 * i)));
  }
  out.insert(out.end(), sequence.begin() + 2, sequence.end());
  return out;
}

}  // namespace wendlock::sdpbytes
