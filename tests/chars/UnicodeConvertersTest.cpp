#include "chars/UnicodeConverters.h"

#include <gtest/gtest.h>

#include <string>

#include "chars/TextEncodings.h"

namespace orvin {
namespace {

constexpr std::int32_t kOk = 0, kInvalid = 10, kOverflow = 15, kUnsupported = 16, kIllegal = 1;

TEST(UnicodeConverters, Utf8ToUnicode) {
  initUnicodeConverters();  // harmless, and not needed first
  struct Case {
    std::string source;
    NSUInteger capacity;
    std::int32_t status;
    std::u16string out;
  } cases[] = {
      {"Gr\xC3\xBC", 8, kOk, u"Grü"},
      {"Gr\xC3\xBC", 3, kOk, u"Grü"},  // exactly full is a success
      {"Gr\xC3\xBC", 2, kOverflow, u""},
      {"\xF0\x9F\x98\x80", 2, kOk, u"😀"},
      {"\xF0\x9F\x98\x80", 1, kOverflow, u""},
      {"a\xC3", 8, kInvalid, u""},         // truncated sequence
      {"\xED\xA0\x80", 8, kInvalid, u""},  // encoded surrogate
      {"", 0, kOk, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    char16_t out[8] = {};
    NSUInteger written = 99;
    EXPECT_EQ(convertUTF8ToUnicode(c.source.data(), c.source.size(), out, c.capacity, &written),
              c.status);
    EXPECT_EQ(std::u16string(out, written), c.out);
  }
  EXPECT_EQ(convertUTF8ToUnicode(nullptr, 1, nullptr, 0, nullptr), kIllegal);
  EXPECT_EQ(convertUTF8ToUnicode(nullptr, 0, nullptr, 0, nullptr), kOk);
}

TEST(UnicodeConverters, UnicodeToUtf8) {
  struct Case {
    std::u16string source;
    NSUInteger capacity;
    std::int32_t status;
    std::string out;
  } cases[] = {
      {u"Grü", 8, kOk, "Gr\xC3\xBC"},
      {u"Grü", 4, kOk, "Gr\xC3\xBC"},
      {u"Grü", 3, kOverflow, ""},
      {u"a\xD800", 8, kInvalid, ""},
      {u"\xDC00"
       "a",
       8, kInvalid, ""},
      {u"😀", 4, kOk, "\xF0\x9F\x98\x80"},
  };
  for (const Case& c : cases) {
    char out[8] = {};
    NSUInteger written = 99;
    EXPECT_EQ(convertUnicodeToUTF8(c.source.data(), c.source.size(), out, c.capacity, &written),
              c.status);
    EXPECT_EQ(std::string(out, written), c.out);
  }
}

TEST(UnicodeConverters, AnyEncodingToUnicode) {
  struct Case {
    std::string source;
    std::uint32_t encoding;
    NSUInteger capacity;
    std::int32_t status;
    std::u16string out;
  } cases[] = {
      {"\xFC", NSISOLatin1StringEncoding, 8, kOk, u"ü"},
      {"\x80", NSWindowsCP1252StringEncoding, 1, kOk, u"€"},
      {"\xDD", NSNEXTSTEPStringEncoding, 1, kOk, u"é"},
      {"ab", NSASCIIStringEncoding, 1, kOverflow, u""},
      {"\xE9", NSASCIIStringEncoding, 8, kInvalid, u""},
      {"a", NSSymbolStringEncoding, 8, kUnsupported, u""},
      {"a", 0, 8, kUnsupported, u""},
      {"a", 0xFFFFFFFFu, 8, kUnsupported, u""},
      {std::string("\x00\x41", 2), NSUTF16BigEndianStringEncoding, 8, kOk, u"A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.encoding);
    char16_t out[8] = {};
    NSUInteger written = 99;
    EXPECT_EQ(convertEncodingToUnicode(c.source.data(), c.source.size(), c.encoding, out,
                                       c.capacity, &written),
              c.status);
    EXPECT_EQ(std::u16string(out, written), c.out);
  }
}

}  // namespace
}  // namespace orvin
