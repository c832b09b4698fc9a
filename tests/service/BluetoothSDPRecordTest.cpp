// Finding the RFCOMM channel in SDP records built by hand as data element
// bytes, and hostile ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

#include "SDPTestBytes.h"
#include "service/platform/bluetooth/SDPRecord.h"

namespace wendlock {
namespace {

using namespace sdpbytes;

TEST(BluetoothSDPRecord, ChannelOfProtocolDescriptorList) {
  const std::tuple<const char*, Bytes, std::uint8_t> cases[] = {
      {"L2CAP, RFCOMM, OBEX", stack(12), 12},
      {"channel 1, no OBEX", seq({kL2CAP, rfcomm(u8(1))}), 1},
      {"channel 30", stack(30), 30},
      {"L2CAP with its PSM", seq({seq({uuid16(0x0100), u16(3)}), rfcomm(u8(4))}), 4},
      {"32-bit UUIDs", seq({seq({uuid32(0x0100)}), seq({uuid32(0x0003), u8(7)})}), 7},
      {"128-bit base UUIDs", seq({seq({uuid128(0x0100)}), seq({uuid128(0x0003), u8(8)})}), 8},
      {"16-bit sequence length", withWideLength(stack(5), 2), 5},
      {"32-bit sequence length", withWideLength(stack(6), 4), 6},
      {"first alternative with a channel", alt({seq({kL2CAP, kOBEX}), stack(9), stack(3)}), 9},
      {"128-bit UUID off the base", seq({seq({uuid128(0x0100, 0xFC)}), rfcomm(u8(2))}), 0},
      {"channel 0", stack(0), 0},
      {"channel 31", stack(31), 0},
      {"channel as uint16", seq({kL2CAP, rfcomm(u16(12))}), 0},
      {"no channel", seq({kL2CAP, seq({uuid16(0x0003)})}), 0},
      {"RFCOMM without L2CAP", seq({rfcomm(u8(12))}), 0},
      {"RFCOMM not next to L2CAP", seq({kL2CAP, kOBEX, rfcomm(u8(12))}), 0},
      {"protocol without a UUID", seq({seq({u16(0x0100)}), rfcomm(u8(12))}), 0},
      {"descriptor not a sequence", seq({uuid16(0x0100), rfcomm(u8(12))}), 0},
      {"list not a sequence", u8(12), 0},
      {"nothing", {}, 0},
      {"length beyond the bytes", {0x35, 0x20, 0x35, 0x03, 0x19, 0x01, 0x00}, 0},
      {"huge 32-bit length", {0x37, 0xFF, 0xFF, 0xFF, 0xFF, 0x35, 0x00}, 0},
  };
  for (const auto& [what, value, channel] : cases) {
    EXPECT_EQ(rfcommChannelOfProtocolDescriptorList(value), channel) << what;
  }
}

TEST(BluetoothSDPRecord, EveryTruncationIsRefused) {
  const Bytes whole = oppRecord(12);
  ASSERT_EQ(rfcommChannelOfRecord(whole, kSDPServiceClassObjectPush), 12);
  for (std::size_t n = 0; n < whole.size(); ++n) {
    // A copy of exactly n bytes, so that the sanitizer sees any read past it.
    const Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_EQ(rfcommChannelOfRecord(prefix, kSDPServiceClassObjectPush), 0) << n;
  }
}

TEST(BluetoothSDPRecord, ChannelOfRecord) {
  const Bytes text = {0x25, 3, 'O', 'P', 'P'}, nil = {0x00}, boolean = {0x28, 0x01};
  const Bytes others = cat({u16(0x100), text, u16(0x303), nil, u16(0x200), boolean});
  const std::tuple<const char*, Bytes, std::uint8_t> cases[] = {
      {"Object Push", oppRecord(12), 12},
      {"Object Push among other classes", record(seq({uuid16(0x1106), uuid128(0x1105)}), stack(3)),
       3},
      {"other attributes of every kind around",
       seq({u16(0), {0x0A, 0, 1, 0, 0}, u16(1), seq({uuid16(0x1105)}), u16(4), stack(5), others}),
       5},
      {"first of two protocol lists wins",
       seq({u16(0x0001), seq({uuid16(0x1105)}), u16(0x0004), stack(5), u16(0x0004), stack(6)}), 5},
      {"another service class", record(seq({uuid16(0x1101)}), stack(3)), 0},
      {"no service class list", seq({u16(0x0004), stack(3)}), 0},
      {"no protocol list", seq({u16(0x0001), seq({uuid16(0x1105)})}), 0},
      {"service class list not a sequence", record(uuid16(0x1105), stack(3)), 0},
      {"attribute ID not a uint16", seq({u8(0x01), seq({uuid16(0x1105)}), u8(0x04), stack(3)}), 0},
      {"trailing attribute ID without a value",
       seq({u16(0x0001), seq({uuid16(0x1105)}), u16(0x0004), stack(3), u16(0x0005)}), 0},
      {"record not a sequence", alt({u16(0x0001), seq({uuid16(0x1105)}), u16(0x0004), stack(3)}),
       0},
  };
  for (const auto& [what, bytes, channel] : cases) {
    EXPECT_EQ(rfcommChannelOfRecord(bytes, kSDPServiceClassObjectPush), channel) << what;
  }
}

TEST(BluetoothSDPRecord, ChannelOfAttributeLists) {
  const std::tuple<const char*, Bytes, std::uint8_t> cases[] = {
      {"one record", seq({oppRecord(12)}), 12},
      {"the first usable record",
       seq({record(seq({uuid16(0x1106)}), stack(10)), oppRecord(0), oppRecord(9), oppRecord(4)}),
       9},
      {"no Object Push record", seq({record(seq({uuid16(0x1106)}), stack(10))}), 0},
      {"not a sequence", alt({oppRecord(12)}), 0},
      {"a damaged record ends the list", seq({{0x35, 0x7F}, oppRecord(12)}), 0},
  };
  for (const auto& [what, lists, channel] : cases) {
    EXPECT_EQ(rfcommChannelOfAttributeLists(lists, kSDPServiceClassObjectPush), channel) << what;
  }
}

TEST(BluetoothSDPRecord, ResponsePacketCheck) {
  const std::tuple<const char*, Bytes, bool> cases[] = {
      {"search-attribute response", {0x07, 0, 1, 0, 5, 0, 2, 0x35, 0x00, 0x00}, true},
      {"with continuation state", {0x07, 0, 1, 0, 7, 0, 2, 0x35, 0x00, 0x02, 0xAB, 0xCD}, true},
      {"error response", {0x01, 0, 1, 0, 2, 0x00, 0x03}, true},
      {"parameter length disagrees", {0x07, 0, 1, 0, 9, 0, 2, 0x35, 0x00, 0x00}, false},
      {"count beyond the packet", {0x07, 0, 1, 0, 5, 0xFF, 0xF0, 0x35, 0x00, 0x00}, false},
      {"no continuation byte", {0x07, 0, 1, 0, 4, 0, 2, 0x35, 0x00}, false},
      {"continuation longer than the rest", {0x07, 0, 1, 0, 5, 0, 2, 0x35, 0x00, 0x05}, false},
      {"continuation state of 17 bytes",
       cat({{0x07, 0, 1, 0, 22, 0, 2, 0x35, 0x00, 17}, Bytes(17, 0xAA)}), false},
      {"service-search response", {0x03, 0, 1, 0, 5, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}, false},
      {"attribute response", {0x05, 0, 1, 0, 5, 0, 2, 0x35, 0x00, 0x00}, false},
      {"header only", {0x07, 0, 1, 0, 0}, false},
  };
  for (const auto& [what, packet, safe] : cases) {
    EXPECT_EQ(isSafeSearchAttributeResponse(packet), safe) << what;
  }
}

}  // namespace
}  // namespace wendlock
