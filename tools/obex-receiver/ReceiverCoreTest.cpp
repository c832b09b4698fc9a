#include "ReceiverCore.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <vector>

namespace orvin::obexreceiver {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ReceiverPacketCheck, FramingAndHeaderLengths) {
  struct Case {
    const char* what;
    Bytes bytes;
    std::size_t max;
    PacketVerdict verdict;
    std::size_t length;
    std::uint64_t bodyBytes;
  };
  const Case cases[] = {
      {"two bytes: wait", {0x81, 0x00}, 1024, PacketVerdict::NeedMore, 0, 0},
      {"bare Disconnect", {0x81, 0x00, 0x03}, 1024, PacketVerdict::Complete, 3, 0},
      {"only the front packet counts",
       {0x81, 0x00, 0x03, 0xFF, 0xFF},
       1024,
       PacketVerdict::Complete,
       3,
       0},
      {"length below 3", {0x81, 0x00, 0x02}, 1024, PacketVerdict::Reject, 0, 0},
      {"length 0", {0x00, 0x00, 0x00}, 1024, PacketVerdict::Reject, 0, 0},
      {"longer than announced", {0x02, 0x04, 0x01}, 1024, PacketVerdict::Reject, 0, 0},
      {"exactly the announced length, not all here",
       {0x02, 0x04, 0x00, 0x48},
       1024,
       PacketVerdict::NeedMore,
       0,
       0},
      {"Connect with its 4 fixed bytes",
       {0x80, 0x00, 0x07, 0x10, 0x00, 0x02, 0x00},
       1024,
       PacketVerdict::Complete,
       7,
       0},
      {"Connect too short for its fixed bytes",
       {0x80, 0x00, 0x05, 0x10, 0x00},
       1024,
       PacketVerdict::Reject,
       0,
       0},
      {"SetPath too short", {0x85, 0x00, 0x04, 0x00}, 1024, PacketVerdict::Reject, 0, 0},
      {"Body and End-of-Body counted",
       {0x02, 0x00, 0x0E, 0x48, 0x00, 0x05, 'a', 'b', 0x49, 0x00, 0x04, 'c', 0xCB, 0x00},
       1024,
       PacketVerdict::Reject,
       0,
       0},  // the trailing 4-byte header is cut off
      {"Body, End-of-Body, one-byte and four-byte headers",
       {0x82, 0x00, 0x14, 0x48, 0x00, 0x05, 'a',  'b',  0x49, 0x00,
        0x04, 'c',  0x97, 0x01, 0xC3, 0x00, 0x00, 0x00, 0x03, 0x00},
       1024,
       PacketVerdict::Reject,
       0,
       0},  // one stray byte at the end
      {"well-formed Put",
       {0x82, 0x00, 0x13, 0x48, 0x00, 0x05, 'a', 'b', 0x49, 0x00, 0x04, 'c', 0x97, 0x01, 0xC3, 0x00,
        0x00, 0x00, 0x03},
       1024,
       PacketVerdict::Complete,
       19,
       3},
      {"header claims more than the packet holds",
       {0x02, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x61},
       1024,
       PacketVerdict::Reject,
       0,
       0},
      {"header length below 3",
       {0x02, 0x00, 0x06, 0x42, 0x00, 0x02},
       1024,
       PacketVerdict::Reject,
       0,
       0},
      {"Unicode header of odd length",
       {0x02, 0x00, 0x07, 0x01, 0x00, 0x04, 0x61},
       1024,
       PacketVerdict::Reject,
       0,
       0},
      {"header id cut after one byte", {0x02, 0x00, 0x04, 0x01}, 1024, PacketVerdict::Reject, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const PacketCheck check = checkRequestPacket(c.bytes, c.max);
    EXPECT_EQ(check.verdict, c.verdict);
    if (c.verdict == PacketVerdict::Complete) {
      EXPECT_EQ(check.length, c.length);
      EXPECT_EQ(check.bodyBytes, c.bodyBytes);
      EXPECT_EQ(check.hasBody, c.bodyBytes > 0);
    }
    if (c.verdict == PacketVerdict::Reject) {
      EXPECT_FALSE(check.reason.empty());
    }
  }
}

TEST(ReceiverPacketCheck, EmptyEndOfBodyStillMarksABody) {
  const Bytes put = {0x82, 0x00, 0x06, 0x49, 0x00, 0x03};
  const PacketCheck check = checkRequestPacket(put, 1024);
  ASSERT_EQ(check.verdict, PacketVerdict::Complete);
  EXPECT_TRUE(check.hasBody);
  EXPECT_EQ(check.bodyBytes, 0u);
}

TEST(ReceiverNames, Utf16BigEndianDecoding) {
  struct Case {
    const char* what;
    Bytes bytes;
    std::string utf8;
    bool damaged;
  };
  const Case cases[] = {
      {"ASCII with terminator", {0x00, 'a', 0x00, '.', 0x00, 0x00}, "a.", false},
      {"no terminator", {0x00, 'a'}, "a", false},
      {"empty", {}, "", false},
      {"only the terminator", {0x00, 0x00}, "", false},
      {"Greek", {0x03, 0xC3, 0x03, 0xB7, 0x00, 0x00}, "\xCF\x83\xCE\xB7", false},
      {"CJK", {0x30, 0xE1, 0x00, 0x00}, "\xE3\x83\xA1", false},
      {"emoji as a surrogate pair",
       {0xD8, 0x3D, 0xDE, 0x00, 0x00, 0x00},
       "\xF0\x9F\x98\x80",
       false},
      {"lone high surrogate",
       {0xD8, 0x3D, 0x00, 'a'},
       "\xEF\xBF\xBD"
       "a",
       true},
      {"lone low surrogate", {0xDE, 0x00}, "\xEF\xBF\xBD", true},
      {"odd byte left over", {0x00, 'a', 0x62}, "a\xEF\xBF\xBD", true},
      {"embedded NUL is kept", {0x00, 'a', 0x00, 0x00, 0x00, 'b'}, std::string("a\0b", 3), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bool damaged = !c.damaged;
    EXPECT_EQ(utf16BigEndianToUtf8(c.bytes, damaged), c.utf8);
    EXPECT_EQ(damaged, c.damaged);
  }
}

TEST(ReceiverNames, SanitizedFileNamesStayOneComponent) {
  struct Case {
    std::string name;
    std::string file;
    bool changed;
  };
  const std::string longName = std::string(254, 'x') + "\xC3\xA9" + ".txt";
  const Case cases[] = {
      {"note.txt", "note.txt", false},
      {"2024-05-01 10-30.txt", "2024-05-01 10-30.txt", false},
      {"\xCF\x83\xCE\xB7\xF0\x9F\x98\x80.txt", "\xCF\x83\xCE\xB7\xF0\x9F\x98\x80.txt", false},
      {".hidden", ".hidden", false},
      {"../../etc/passwd", ".._.._etc_passwd", true},
      {"/etc/passwd", "_etc_passwd", true},
      {"a\\b", "a_b", true},
      {"..", "__", true},
      {".", "_", true},
      {"", "unnamed", true},
      {std::string("a\0b\n", 4), "a_b_", true},
      {"del\x7F", "del_", true},
      {longName, std::string(254, 'x'), true},  // cut before the 2-byte character
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool changed = !c.changed;
    const std::string file = sanitizeFileName(c.name, changed);
    EXPECT_EQ(file, c.file);
    EXPECT_EQ(changed, c.changed);
    EXPECT_EQ(file.find('/'), std::string::npos);
    EXPECT_LE(file.size(), 255u);
  }
}

TEST(ReceiverNames, NumberedVariants) {
  EXPECT_EQ(numberedFileName("a.txt", 1), "a-1.txt");
  EXPECT_EQ(numberedFileName("archive.tar.gz", 12), "archive.tar-12.gz");
  EXPECT_EQ(numberedFileName("README", 2), "README-2");
  EXPECT_EQ(numberedFileName(".profile", 3), ".profile-3");
  const std::string numbered = numberedFileName(std::string(255, 'y'), 7);
  EXPECT_EQ(numbered.size(), 255u);
  EXPECT_EQ(numbered.substr(253), "-7");
}

TEST(ReceiverRecord, JsonLine) {
  ObjectRecord record;
  record.name = "q\"\\\n\xCF\x83";
  record.type = "text/\xE9";
  record.lengthHeader = 7;
  record.bytes = 7;
  record.path = "/d/q";
  EXPECT_EQ(objectRecordJson(record),
            "{\"name\": \"q\\\"\\\\\\u000a\xCF\x83\", \"type\": \"text/\\u00e9\", "
            "\"length_header\": 7, \"bytes\": 7, \"path\": \"/d/q\"}");
  const ObjectRecord bare{std::nullopt, std::nullopt, std::nullopt, 0, "/d/unnamed"};
  EXPECT_EQ(objectRecordJson(bare),
            "{\"name\": null, \"type\": null, \"length_header\": null, \"bytes\": 0, "
            "\"path\": \"/d/unnamed\"}");
}

TEST(ReceiverListenAddress, NumericNonWildcardOnly) {
  struct Case {
    const char* text;
    bool accepted;
    int family;
    unsigned port;
  };
  const Case cases[] = {
      {"127.0.0.1:0", true, AF_INET, 0},
      {"127.0.0.1:650", true, AF_INET, 650},
      {"[::1]:65535", true, AF_INET6, 65535},
      {"0.0.0.0:650", false, 0, 0},
      {"[::]:650", false, 0, 0},
      {"localhost:650", false, 0, 0},
      {"127.0.0.1", false, 0, 0},
      {"127.0.0.1:", false, 0, 0},
      {"127.0.0.1:65536", false, 0, 0},
      {"127.0.0.1:6x", false, 0, 0},
      {"::1:650", false, 0, 0},
      {"[::1]650", false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto address = parseListenAddress(c.text);
    ASSERT_EQ(address.has_value(), c.accepted);
    if (!address) continue;
    EXPECT_EQ(address->address.ss_family, c.family);
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address->address);
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address->address);
    EXPECT_EQ(ntohs(c.family == AF_INET ? v4->sin_port : v6->sin6_port), c.port);
  }
}

}  // namespace
}  // namespace orvin::obexreceiver
