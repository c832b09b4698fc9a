#include "paths/Base64.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "chars/TextEncodings.h"
#include "tests/StorageForms.h"

namespace orvin {
namespace {

using test::textOf;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

Bytes toBytes(std::string_view text) {
  const auto span = bytesOf(text);
  return Bytes(span.begin(), span.end());
}

TEST(Base64Encode, GroupsAndPadding) {
  struct Case {
    std::string_view bytes;
    const char16_t* padded;
    const char16_t* unpadded;
  };
  const Case cases[] = {
      {"", u"<nil>", u"<nil>"},
      {"M", u"TQ==", u"TQ"},
      {"Ma", u"TWE=", u"TWE"},
      {"Man", u"TWFu", u"TWFu"},
      {"Many", u"TWFueQ==", u"TWFueQ"},
      {std::string_view("\0\0\0", 3), u"AAAA", u"AAAA"},
      {"\xFF\xFE\xFD", u"//79", u"//79"},
      {"\xFB\xEF", u"++8=", u"++8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.padded));
    EXPECT_EQ(textOf(encodedBase64Data(bytesOf(c.bytes))), c.padded);
    EXPECT_EQ(textOf(encodeBase64Bytes(bytesOf(c.bytes), 0)), c.unpadded);
  }
  // A pad beyond Latin-1 is kept as given.
  EXPECT_EQ(textOf(encodeBase64Bytes(bytesOf("M"), u'\u2026')), u"TQ\u2026\u2026");
}

class Base64Text : public test::FormTest {};

TEST_P(Base64Text, EncodesAllUtf8WithoutPadding) {
  const std::pair<std::u16string_view, const char16_t*> cases[] = {
      {u"", u"<nil>"},
      {u"M", u"TQ"},
      {u"Ma", u"TWE"},
      {u"\u00FC", u"w7w"},
      {u"\u20AC", u"4oKs"},
      {std::u16string_view(u"a\0b", 3), u"YQBi"},  // nothing after U+0000 is lost
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(test::utf8(expected));
    EXPECT_EQ(textOf(encodebase64(make(text))), expected);
  }
  EXPECT_TRUE(encodebase64(String()).isNil());
  EXPECT_TRUE(encodebase64(make(std::u16string_view(u"a\xD800", 2))).isNil());
  const String long1000 = encodebase64(make(std::u16string(1000, u'x')));
  EXPECT_EQ(long1000.length(), 1334u);
  EXPECT_EQ(long1000.toU16String().find_first_of(u"\r\n"), std::u16string::npos);
}

TEST_P(Base64Text, DecodesDataByTheRules) {
  struct Case {
    std::u16string_view text;
    std::optional<std::string> bytes;
  };
  using std::nullopt;
  const Case cases[] = {
      {u"", nullopt},
      {u"TWFu", "Man"},
      {u"TWE=", "Ma"},
      {u"TWE", "Ma"},
      {u"TQ==", "M"},
      {u"TQ", "M"},
      {u"TQ==\n", "M"},
      {u"TWFu\r\nTWFu", "ManMan"},
      {u" T W\tF u ", "Man"},
      {u"\n\n", nullopt},  // no byte
      {u"T", nullopt},     // 1 mod 4
      {u"TWFuT", nullopt},
      {u"====", nullopt},
      {u"===", nullopt},
      {u"TQ===", nullopt},
      {u"TWE==", nullopt},
      {u"TQ=", nullopt},
      {u"T=Q=", nullopt},
      {u"TQ==TWFu", nullopt},
      {u"TQ==\nx", nullopt},
      {u"TW-u", nullopt},
      {u"TW_u", nullopt},
      {u"TW.u", nullopt},
      {u"\u0154\u0157\u0146\u0175", nullopt},  // low bytes spell "TWFu"
      {u"TWF\u00FC", nullopt},
      {std::u16string_view(u"TW\0u", 4), nullopt},
      {u"AAAA", std::string("\0\0\0", 3)},
      {u"TR", "M"},  // non-zero pad bits are tolerated
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text));
    const std::optional<Bytes> got = decodedBase64Data(make(c.text));
    ASSERT_EQ(got.has_value(), c.bytes.has_value());
    if (got) {
      EXPECT_EQ(*got, toBytes(*c.bytes));
    }
  }
  EXPECT_FALSE(decodedBase64Data(String()).has_value());
}

TEST_P(Base64Text, DecodesTextUpToTheFirstZeroByte) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"TWFu", u"Man"},   {u"TWE=", u"Ma"}, {u"TQ", u"M"},       {u"w7w", u"\u00FC"},
      {u"AAAA", u"<nil>"}, {u"TQBi", u"M"},  {u"TQ=x", u"<nil>"}, {u"/w", u"<nil>"},  // 0xFF
      {u"T", u"<nil>"},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(test::utf8(text));
    EXPECT_EQ(textOf(decodebase64(make(text))), expected);
  }
  // The empty receiver answers itself; nil stays nil.
  EXPECT_EQ(textOf(decodebase64(make(u""))), u"");
  EXPECT_TRUE(decodebase64(String()).isNil());
  EXPECT_EQ(textOf(decodebase64UsingEncoding(make(u"/w"), NSISOLatin1StringEncoding)), u"\u00FF");
  EXPECT_TRUE(decodebase64UsingEncoding(make(u"/w"), NSASCIIStringEncoding).isNil());
}

INSTANTIATE_FORMS(Base64Text);

TEST(Base64, RoundTripsRandomBytesPaddedOrNot) {
  std::mt19937 random(7);
  for (std::size_t size = 0; size < 200; ++size) {
    Bytes bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    const std::string padded = base64Encode(bytes);
    EXPECT_EQ(padded.size() % 4, 0u);
    EXPECT_EQ(base64Decode(padded), bytes) << size;
    EXPECT_EQ(base64Decode(base64Encode(bytes, 0)), bytes) << size;
    if (size == 0) continue;
    EXPECT_EQ(decodedBase64Data(encodedBase64Data(bytes)), bytes) << size;
    EXPECT_EQ(decodedBase64Data(encodeBase64Bytes(bytes, 0)), bytes) << size;
  }
}

TEST(Base64, ByteTextDecoderSharesTheRules) {
  EXPECT_EQ(base64Decode(""), Bytes{});
  EXPECT_EQ(base64Decode("AQ==\n"), Bytes{1});
  EXPECT_FALSE(base64Decode("A").has_value());
  EXPECT_FALSE(base64Decode("AQ==AQ==").has_value());
  EXPECT_FALSE(base64Decode("\x81Q==").has_value());
  EXPECT_EQ(base64Encode({}), "");
}

}  // namespace
}  // namespace orvin
