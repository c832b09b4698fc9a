// The OBEX wire format: exact header and packet bytes, round trips, and the
// response reader against hostile input.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "StorageForms.h"
#include "service/obex/OBEXCodec.h"

namespace wendlock {

using orvin::String;
namespace {

using orvin::test::FormTest;
using Bytes = std::vector<std::uint8_t>;
constexpr OBEXError kOk = kOBEXSuccess, kBad = kOBEXSessionBadResponseError;

Bytes headersOf(const OBEXHeaderDictionary& d) {
  return OBEXHeadersToBytes(&d).value_or(Bytes{0xEE});
}

class ObexHeaderEncoding : public FormTest {};

// Each header alone, its bytes, and its value read back by the parser.
TEST_P(ObexHeaderEncoding, ExactBytesAndBack) {
  // Name (beyond Latin-1 and the BMP: code units, high byte first), Type,
  // and Length 0x01020304.
  const std::tuple<char, std::u16string, Bytes> cases[] = {
      {'N',
       u"\u00e9\u20ac\U0001F600",
       {0x01, 0, 0x0D, 0, 0xE9, 0x20, 0xAC, 0xD8, 0x3D, 0xDE, 0, 0, 0}},
      {'T', u"text/plain", {0x42, 0, 0x0E, 't', 'e', 'x', 't', '/', 'p', 'l', 'a', 'i', 'n', 0}},
      {'L', u"", {0xC3, 0x01, 0x02, 0x03, 0x04}},
  };
  for (const auto& [kind, text, expected] : cases) {
    OBEXHeaderDictionary d;
    ASSERT_EQ(kind == 'N'   ? OBEXAddNameHeader(make(text), &d)
              : kind == 'T' ? OBEXAddTypeHeader(make(text), &d)
                            : OBEXAddLengthHeader(0x01020304, &d),
              kOBEXSuccess);
    EXPECT_EQ(headersOf(d), expected);
    std::vector<OBEXHeader> parsed;
    ASSERT_TRUE(OBEXParseHeaders(expected, &parsed));
    ASSERT_EQ(parsed.size(), 1u);
    const String value = OBEXHeaderUnicodeValue(parsed[0]);
    EXPECT_TRUE(kind == 'N' ? value == String(text) : value.isNil());
    EXPECT_EQ(OBEXHeaderFourByteValue(parsed[0]),
              kind == 'L' ? std::optional<std::uint32_t>(0x01020304) : std::nullopt);
  }
}

TEST_P(ObexHeaderEncoding, RejectsWhatCannotTravel) {
  OBEXHeaderDictionary d;
  EXPECT_EQ(OBEXAddNameHeader(String(), &d), kOBEXBadArgumentError);
  EXPECT_EQ(OBEXAddNameHeader(make(std::u16string(u"a\0b", 3)), &d), kOBEXBadArgumentError);
  EXPECT_EQ(OBEXAddTypeHeader(String(), &d), kOBEXBadArgumentError);
  EXPECT_EQ(OBEXAddTypeHeader(make(u"t\u00e9xt/plain"), &d), kOBEXBadArgumentError);
  EXPECT_EQ(OBEXAddTypeHeader(make(std::u16string(u"a\0", 2)), &d), kOBEXBadArgumentError);
  EXPECT_EQ(OBEXAddNameHeader(make(u"x"), nullptr), kOBEXBadArgumentError);
  EXPECT_TRUE(d.empty());
  // The longest name whose header length still fits 16 bits, and one more.
  EXPECT_EQ(OBEXAddNameHeader(make(std::u16string(32765, u'n')), &d), kOBEXSuccess);
  EXPECT_EQ(d.find(kOBEXHeaderIDName)->size(), 0xFFFFu);
  EXPECT_EQ(OBEXAddNameHeader(make(std::u16string(32766, u'n')), &d), kOBEXBadArgumentError);
}

INSTANTIATE_FORMS(ObexHeaderEncoding);

// Name, Type and Length lead whatever the order they came in; a header
// given again replaces the first.
TEST(ObexHeaderDictionary, FixedOrderAndReplacement) {
  OBEXHeaderDictionary d;
  const std::uint8_t connectionId[] = {0, 0, 0, 7};
  ASSERT_EQ(OBEXAddHeader(0xCB, connectionId, &d), kOBEXSuccess);
  ASSERT_EQ(OBEXAddLengthHeader(1, &d), kOBEXSuccess);
  ASSERT_EQ(OBEXAddTypeHeader(u"x", &d), kOBEXSuccess);
  ASSERT_EQ(OBEXAddNameHeader(u"first", &d), kOBEXSuccess);
  ASSERT_EQ(OBEXAddNameHeader(u"n", &d), kOBEXSuccess);
  EXPECT_EQ(headersOf(d), (Bytes{0x01, 0,    7, 0, 'n', 0, 0,    0x42, 0, 5, 'x',
                                 0,    0xC3, 0, 0, 0,   1, 0xCB, 0,    0, 0, 7}));

  EXPECT_EQ(OBEXHeadersToBytes(nullptr), std::nullopt);
  EXPECT_EQ(headersOf(OBEXHeaderDictionary()), Bytes{});
  // Values that do not suit the identifier's encoding.
  const std::uint8_t odd[] = {0, 'a', 0};
  EXPECT_EQ(OBEXAddHeader(0x05, odd, &d), kOBEXBadArgumentError);
  EXPECT_EQ(OBEXAddHeader(0xCB, odd, &d), kOBEXBadArgumentError);
  EXPECT_EQ(OBEXAddHeader(0x97, connectionId, &d), kOBEXBadArgumentError);
}

// The send service's test checks the packets it sends; here, the forms it
// does not send.
TEST(ObexPackets, ExactBytes) {
  const Bytes headers = {0x42, 0x00, 0x04, 0x00};
  const std::tuple<std::optional<OBEXBytes>, Bytes> cases[] = {
      {OBEXMakeConnectPacket(1, 0xFFFF, headers),
       {0x80, 0, 11, 0x10, 1, 0xFF, 0xFF, 0x42, 0, 4, 0}},
      {OBEXMakePutPacket(true, {}, {}), {0x82, 0, 6, 0x49, 0, 3}},        // an empty End-of-Body
      {OBEXMakePutPacket(false, headers, {}), {2, 0, 7, 0x42, 0, 4, 0}},  // no Body at all
  };
  for (const auto& [packet, expected] : cases)
    EXPECT_EQ(packet, std::optional<OBEXBytes>(expected));
  // A packet's length field has 16 bits.
  EXPECT_TRUE(OBEXMakePutPacket(true, {}, Bytes(0xFFFF - 6, 0)).has_value());
  EXPECT_FALSE(OBEXMakePutPacket(true, {}, Bytes(0xFFFF - 5, 0)).has_value());
  EXPECT_FALSE(OBEXMakeDisconnectPacket(Bytes(0xFFFF, 0)).has_value());
}

TEST(ObexResponseParser, HostileAndValidPackets) {
  Bytes oversize(600, 0);
  oversize[0] = 0xA0, oversize[1] = 0x02, oversize[2] = 0x58;
  const std::tuple<const char*, Bytes, bool, OBEXError> cases[] = {
      {"short", {0xA0, 0x00}, false, kBad},
      {"minimal", {0xA0, 0x00, 0x03}, false, kOk},
      {"length says more", {0xA0, 0x00, 0x04}, false, kBad},
      {"length says less", {0xA0, 0x00, 0x03, 0x00}, false, kBad},
      {"length below 3", {0xA0, 0x00, 0x02}, false, kBad},
      {"no final bit", {0x20, 0x00, 0x03}, false, kBad},
      {"over the limit", oversize, false, kBad},
      {"header cut before length", {0xA0, 0x00, 0x05, 0x42, 0x00}, false, kBad},
      {"header runs past end", {0xA0, 0x00, 0x06, 0x42, 0x00, 0x09}, false, kBad},
      {"zero-length header", {0xA0, 0x00, 0x06, 0x48, 0x00, 0x00}, false, kBad},
      {"empty unicode header", {0xA0, 0x00, 0x06, 0x01, 0x00, 0x03}, false, kOk},
      {"odd unicode header", {0xA0, 0x00, 0x07, 0x01, 0x00, 0x04, 0x41}, false, kBad},
      {"one-byte header cut", {0xA0, 0x00, 0x04, 0x97}, false, kBad},
      {"one-byte header", {0xA0, 0x00, 0x05, 0x97, 0x01}, false, kOk},
      {"four-byte header cut", {0xA0, 0x00, 0x06, 0xC3, 0x00, 0x00}, false, kBad},
      {"four-byte header", {0xA0, 0x00, 0x08, 0xC3, 0x00, 0x00, 0x01, 0x2C}, false, kOk},
      {"connect accepted", {0xA0, 0x00, 0x07, 0x10, 0x00, 0x04, 0x00}, true, kOk},
      {"connect accepted, no fields", {0xA0, 0x00, 0x03}, true, kBad},
      {"connect accepted, fields cut", {0xA0, 0x00, 0x05, 0x10, 0x00}, true, kBad},
      {"server max 254", {0xA0, 0x00, 0x07, 0x10, 0x00, 0x00, 0xFE}, true, kBad},
      {"server max 255", {0xA0, 0x00, 0x07, 0x10, 0x00, 0x00, 0xFF}, true, kOk},
      {"connect refused, short", {0xC3, 0x00, 0x03}, true, kOk},
      {"connect refused, fields", {0xC3, 0x00, 0x07, 0x10, 0x00, 0x00, 0x00}, true, kOk},
      {"connect refused, fields cut", {0xC3, 0x00, 0x05, 0x10, 0x00}, true, kBad},
  };
  for (const auto& [what, packet, isConnect, expected] : cases) {
    OBEXResponse r;
    EXPECT_EQ(OBEXParseResponse(packet, isConnect, 512, &r), expected) << what;
    EXPECT_TRUE(expected != kOk || r.code == packet[0]) << what;
  }
}

TEST(ObexResponseFramer, CompletesAcrossAnySplit) {
  const Bytes packet = {0xA0, 0x00, 0x08, 0xC3, 0x00, 0x00, 0x01, 0x2C};
  const std::span<const std::uint8_t> all(packet);
  for (std::size_t cut = 0; cut <= packet.size(); ++cut) {
    OBEXResponseFramer f(512);
    EXPECT_EQ(f.feed(all.first(cut)), cut);
    EXPECT_EQ(f.state() == OBEXResponseFramer::State::Complete, cut == packet.size());
    EXPECT_EQ(f.feed(all.subspan(cut)), packet.size() - cut);
    ASSERT_EQ(f.state(), OBEXResponseFramer::State::Complete) << cut;
    EXPECT_TRUE(std::ranges::equal(f.packet(), packet));
  }
  OBEXResponseFramer f(512);
  for (std::uint8_t b : packet) f.feed(std::span(&b, 1));
  EXPECT_EQ(f.packet().size(), packet.size());
}

TEST(ObexResponseFramer, LyingLengthEndsAtOnce) {
  using State = OBEXResponseFramer::State;
  const std::tuple<Bytes, State> cases[] = {
      {{0xA0, 0x00, 0x02, 0xA0}, State::Malformed},
      // Above the limit: no waiting for bytes that a compliant server never sends.
      {{0xA0, 0x02, 0x01}, State::Malformed},
      {{0xA0, 0x02, 0x00}, State::NeedMore},
      // A second packet behind the first is not taken.
      {{0xA0, 0x00, 0x03, 0xA0, 0x00, 0x03}, State::Complete},
  };
  for (const auto& [bytes, state] : cases) {
    OBEXResponseFramer f(512);
    EXPECT_EQ(f.feed(bytes), 3u);
    EXPECT_EQ(f.state(), state);
    EXPECT_EQ(f.feed(bytes), state == State::NeedMore ? bytes.size() : 0);
  }
  OBEXResponseFramer f(512);
  f.feed(Bytes{0xA0, 0x00, 0x00});
  f.reset(512);
  EXPECT_EQ(f.state(), State::NeedMore);
  EXPECT_TRUE(f.packet().empty());
}

}  // namespace
}  // namespace wendlock
