// The OBEX wire format: exact header and packet bytes, round trips, and the
// response reader against hostile input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StorageForms.h"
#include "service/obex/OBEXCodec.h"

namespace wendlock {

using orvin::String;
namespace {

using orvin::test::FormTest;
using Bytes = std::vector<std::uint8_t>;

Bytes headersOf(const OBEXHeaderDictionary& d) {
  return OBEXHeadersToBytes(&d).value_or(Bytes{0xEE});
}

class ObexHeaderEncoding : public FormTest {};

TEST_P(ObexHeaderEncoding, ExactBytes) {
  struct Case {
    std::u16string name;
    std::u16string type;
    Bytes expected;
  };
  const Case cases[] = {
      {u"a.txt",
       u"",
       {0x01, 0x00, 0x0F, 0x00, 0x61, 0x00, 0x2E, 0x00, 0x74, 0x00, 0x78, 0x00, 0x74, 0x00, 0x00}},
      {u"",
       u"text/plain",
       {0x42, 0x00, 0x0E, 't', 'e', 'x', 't', '/', 'p', 'l', 'a', 'i', 'n', 0x00}},
      // Beyond Latin-1 and beyond the BMP: code units, high byte first.
      {u"\u00e9\u20ac\U0001F600",
       u"",
       {0x01, 0x00, 0x0D, 0x00, 0xE9, 0x20, 0xAC, 0xD8, 0x3D, 0xDE, 0x00, 0x00, 0x00}},
  };
  for (const Case& c : cases) {
    OBEXHeaderDictionary d;
    if (!c.name.empty()) {
      ASSERT_EQ(OBEXAddNameHeader(make(c.name), &d), kOBEXSuccess);
    }
    if (!c.type.empty()) {
      ASSERT_EQ(OBEXAddTypeHeader(make(c.type), &d), kOBEXSuccess);
    }
    EXPECT_EQ(headersOf(d), c.expected);
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

TEST_P(ObexHeaderEncoding, RoundTripsThroughTheParser) {
  for (std::u16string name : {u"a.txt", u"06-12-2026 17-30.txt", u"\u6587\u4ef6 \U0001F4C4.txt"}) {
    OBEXHeaderDictionary d;
    ASSERT_EQ(OBEXAddNameHeader(make(name), &d), kOBEXSuccess);
    ASSERT_EQ(OBEXAddTypeHeader(make(u"text/plain"), &d), kOBEXSuccess);
    ASSERT_EQ(OBEXAddLengthHeader(0x01020304, &d), kOBEXSuccess);
    const Bytes bytes = headersOf(d);
    std::vector<OBEXHeader> parsed;
    ASSERT_TRUE(OBEXParseHeaders(bytes, &parsed));
    ASSERT_EQ(parsed.size(), 3u);
    EXPECT_EQ(OBEXHeaderUnicodeValue(parsed[0]), String(name));
    EXPECT_EQ(std::string(parsed[1].value.begin(), parsed[1].value.end()),
              std::string("text/plain", 11));
    EXPECT_EQ(OBEXHeaderFourByteValue(parsed[2]), 0x01020304u);
    EXPECT_EQ(OBEXHeaderFourByteValue(parsed[0]), std::nullopt);
    EXPECT_TRUE(OBEXHeaderUnicodeValue(parsed[2]).isNil());
  }
}

INSTANTIATE_FORMS(ObexHeaderEncoding);

TEST(ObexHeaderDictionary, FixedOrderAndReplacement) {
  OBEXHeaderDictionary d;
  const std::uint8_t connectionId[] = {0, 0, 0, 7};
  const std::uint8_t description[] = {0, 'd', 0, 0};
  ASSERT_EQ(OBEXAddHeader(0xCB, connectionId, &d), kOBEXSuccess);
  ASSERT_EQ(OBEXAddLengthHeader(1, &d), kOBEXSuccess);
  ASSERT_EQ(OBEXAddHeader(0x05, description, &d), kOBEXSuccess);
  ASSERT_EQ(OBEXAddTypeHeader(u"x", &d), kOBEXSuccess);
  ASSERT_EQ(OBEXAddNameHeader(u"first", &d), kOBEXSuccess);
  ASSERT_EQ(OBEXAddNameHeader(u"n", &d), kOBEXSuccess);
  ASSERT_EQ(OBEXAddLengthHeader(300, &d), kOBEXSuccess);
  const Bytes expected = {0x01, 0x00, 0x07, 0x00, 'n',  0x00, 0x00, 0x42, 0x00, 0x05,
                          'x',  0x00, 0xC3, 0x00, 0x00, 0x01, 0x2C, 0x05, 0x00, 0x07,
                          0x00, 'd',  0x00, 0x00, 0xCB, 0x00, 0x00, 0x00, 0x07};
  EXPECT_EQ(headersOf(d), expected);

  EXPECT_EQ(OBEXHeadersToBytes(nullptr), std::nullopt);
  EXPECT_EQ(headersOf(OBEXHeaderDictionary()), Bytes{});
  // Values that do not suit the identifier's encoding.
  const std::uint8_t odd[] = {0, 'a', 0};
  EXPECT_EQ(OBEXAddHeader(0x05, odd, &d), kOBEXBadArgumentError);
  EXPECT_EQ(OBEXAddHeader(0xCB, odd, &d), kOBEXBadArgumentError);
  EXPECT_EQ(OBEXAddHeader(0x97, connectionId, &d), kOBEXBadArgumentError);
}

TEST(ObexPackets, ExactBytes) {
  const Bytes headers = {0x42, 0x00, 0x04, 0x00};
  const Bytes body = {'h', 'i'};
  struct Case {
    const char* what;
    std::optional<OBEXBytes> packet;
    Bytes expected;
  };
  const Case cases[] = {
      {"connect", OBEXMakeConnectPacket(0, 512, {}), {0x80, 0x00, 0x07, 0x10, 0x00, 0x02, 0x00}},
      {"connect with headers",
       OBEXMakeConnectPacket(1, 0xFFFF, headers),
       {0x80, 0x00, 0x0B, 0x10, 0x01, 0xFF, 0xFF, 0x42, 0x00, 0x04, 0x00}},
      {"final put",
       OBEXMakePutPacket(true, {}, body),
       {0x82, 0x00, 0x08, 0x49, 0x00, 0x05, 'h', 'i'}},
      {"put with headers",
       OBEXMakePutPacket(false, headers, body),
       {0x02, 0x00, 0x0C, 0x42, 0x00, 0x04, 0x00, 0x48, 0x00, 0x05, 'h', 'i'}},
      {"final put, empty body",
       OBEXMakePutPacket(true, {}, {}),
       {0x82, 0x00, 0x06, 0x49, 0x00, 0x03}},
      {"put, no body",
       OBEXMakePutPacket(false, headers, {}),
       {0x02, 0x00, 0x07, 0x42, 0x00, 0x04, 0x00}},
      {"disconnect", OBEXMakeDisconnectPacket({}), {0x81, 0x00, 0x03}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(c.packet.has_value()) << c.what;
    EXPECT_EQ(*c.packet, c.expected) << c.what;
  }
  // A packet's length field has 16 bits.
  EXPECT_TRUE(OBEXMakePutPacket(true, {}, Bytes(0xFFFF - 6, 0)).has_value());
  EXPECT_FALSE(OBEXMakePutPacket(true, {}, Bytes(0xFFFF - 5, 0)).has_value());
  EXPECT_FALSE(OBEXMakeDisconnectPacket(Bytes(0xFFFF, 0)).has_value());
}

TEST(ObexResponseParser, HostileAndValidPackets) {
  struct Case {
    const char* what;
    Bytes packet;
    bool isConnect;
    OBEXError expected;
  };
  Bytes oversize(600, 0);
  oversize[0] = 0xA0, oversize[1] = 0x02, oversize[2] = 0x58;
  const Case cases[] = {
      {"empty", {}, false, kOBEXSessionBadResponseError},
      {"short", {0xA0, 0x00}, false, kOBEXSessionBadResponseError},
      {"minimal", {0xA0, 0x00, 0x03}, false, kOBEXSuccess},
      {"length says more", {0xA0, 0x00, 0x04}, false, kOBEXSessionBadResponseError},
      {"length says less", {0xA0, 0x00, 0x03, 0x00}, false, kOBEXSessionBadResponseError},
      {"length below 3", {0xA0, 0x00, 0x02}, false, kOBEXSessionBadResponseError},
      {"no final bit", {0x20, 0x00, 0x03}, false, kOBEXSessionBadResponseError},
      {"over the limit", oversize, false, kOBEXSessionBadResponseError},
      {"header cut before length",
       {0xA0, 0x00, 0x05, 0x42, 0x00},
       false,
       kOBEXSessionBadResponseError},
      {"header runs past end",
       {0xA0, 0x00, 0x06, 0x42, 0x00, 0x09},
       false,
       kOBEXSessionBadResponseError},
      {"zero-length header",
       {0xA0, 0x00, 0x06, 0x48, 0x00, 0x00},
       false,
       kOBEXSessionBadResponseError},
      {"empty unicode header", {0xA0, 0x00, 0x06, 0x01, 0x00, 0x03}, false, kOBEXSuccess},
      {"odd unicode header",
       {0xA0, 0x00, 0x07, 0x01, 0x00, 0x04, 0x41},
       false,
       kOBEXSessionBadResponseError},
      {"one-byte header cut", {0xA0, 0x00, 0x04, 0x97}, false, kOBEXSessionBadResponseError},
      {"one-byte header", {0xA0, 0x00, 0x05, 0x97, 0x01}, false, kOBEXSuccess},
      {"four-byte header cut",
       {0xA0, 0x00, 0x06, 0xC3, 0x00, 0x00},
       false,
       kOBEXSessionBadResponseError},
      {"four-byte header", {0xA0, 0x00, 0x08, 0xC3, 0x00, 0x00, 0x01, 0x2C}, false, kOBEXSuccess},
      {"connect accepted", {0xA0, 0x00, 0x07, 0x10, 0x00, 0x04, 0x00}, true, kOBEXSuccess},
      {"connect accepted, no fields", {0xA0, 0x00, 0x03}, true, kOBEXSessionBadResponseError},
      {"connect accepted, fields cut",
       {0xA0, 0x00, 0x05, 0x10, 0x00},
       true,
       kOBEXSessionBadResponseError},
      {"server max 254",
       {0xA0, 0x00, 0x07, 0x10, 0x00, 0x00, 0xFE},
       true,
       kOBEXSessionBadResponseError},
      {"server max 255", {0xA0, 0x00, 0x07, 0x10, 0x00, 0x00, 0xFF}, true, kOBEXSuccess},
      {"connect refused, short", {0xC3, 0x00, 0x03}, true, kOBEXSuccess},
      {"connect refused, fields", {0xC3, 0x00, 0x07, 0x10, 0x00, 0x00, 0x00}, true, kOBEXSuccess},
      {"connect refused, fields cut",
       {0xC3, 0x00, 0x05, 0x10, 0x00},
       true,
       kOBEXSessionBadResponseError},
  };
  for (const Case& c : cases) {
    OBEXResponse r;
    EXPECT_EQ(OBEXParseResponse(c.packet, c.isConnect, 512, &r), c.expected) << c.what;
    if (c.expected == kOBEXSuccess) {
      EXPECT_EQ(r.code, c.packet[0]) << c.what;
    }
  }

  OBEXResponse r;
  const Bytes connect = {0xA0, 0x00, 0x0C, 0x10, 0x01, 0x04, 0x00, 0xCB, 0x00, 0x00, 0x00, 0x07};
  ASSERT_EQ(OBEXParseResponse(connect, true, 512, &r), kOBEXSuccess);
  EXPECT_TRUE(r.hasConnectFields);
  EXPECT_EQ(r.flags, 1);
  EXPECT_EQ(r.maxPacketLength, 1024);
  ASSERT_EQ(r.headers.size(), 1u);
  EXPECT_EQ(OBEXHeaderFourByteValue(r.headers[0]), 7u);
}

TEST(ObexResponseFramer, CompletesAcrossAnySplit) {
  const Bytes packet = {0xA0, 0x00, 0x08, 0xC3, 0x00, 0x00, 0x01, 0x2C};
  for (std::size_t cut = 0; cut <= packet.size(); ++cut) {
    OBEXResponseFramer f(512);
    const std::span<const std::uint8_t> all(packet);
    EXPECT_EQ(f.feed(all.first(cut)), cut);
    EXPECT_EQ(f.state(), cut == packet.size() ? OBEXResponseFramer::State::Complete
                                              : OBEXResponseFramer::State::NeedMore);
    EXPECT_EQ(f.feed(all.subspan(cut)), packet.size() - cut);
    ASSERT_EQ(f.state(), OBEXResponseFramer::State::Complete) << cut;
    EXPECT_TRUE(std::equal(packet.begin(), packet.end(), f.packet().begin(), f.packet().end()));
  }
  OBEXResponseFramer f(512);
  for (std::uint8_t b : packet) f.feed(std::span(&b, 1));
  EXPECT_EQ(f.packet().size(), packet.size());
}

TEST(ObexResponseFramer, LyingLengthEndsAtOnce) {
  struct Case {
    Bytes bytes;
    OBEXResponseFramer::State state;
    std::size_t taken;
  };
  const Case cases[] = {
      {{0xA0, 0x00, 0x02, 0xA0}, OBEXResponseFramer::State::Malformed, 3},
      {{0xA0, 0x00, 0x00}, OBEXResponseFramer::State::Malformed, 3},
      // Above the limit: no waiting for bytes that a compliant server never sends.
      {{0xA0, 0x02, 0x01}, OBEXResponseFramer::State::Malformed, 3},
      {{0xA0, 0x02, 0x00}, OBEXResponseFramer::State::NeedMore, 3},
      // A second packet behind the first is not taken.
      {{0xA0, 0x00, 0x03, 0xA0, 0x00, 0x03}, OBEXResponseFramer::State::Complete, 3},
  };
  for (const Case& c : cases) {
    OBEXResponseFramer f(512);
    EXPECT_EQ(f.feed(c.bytes), c.taken);
    EXPECT_EQ(f.state(), c.state);
    EXPECT_EQ(f.feed(c.bytes), c.state == OBEXResponseFramer::State::NeedMore ? c.bytes.size() : 0);
  }
  OBEXResponseFramer f(512);
  f.feed(Bytes{0xA0, 0x00, 0x00});
  f.reset(512);
  EXPECT_EQ(f.state(), OBEXResponseFramer::State::NeedMore);
  EXPECT_TRUE(f.packet().empty());
}

}  // namespace
}  // namespace wendlock
