#include "chars/UnicodeConverters.h"

#include <gtest/gtest.h>

#include <string>

#include "chars/TextEncodings.h"

namespace orvin {
namespace {

constexpr std::int32_t kOk = 0, kInvalid = 10, kOverflow = 15, kUnsupported = 16;

// Each converter's answer and what it wrote: "status:output".
template <class Out>
std::string run(std::int32_t status, const Out* out, NSUInteger written) {
  return std::to_string(status) + ":" + String(std::u16string(out, out + written)).toUtf8();
}

TEST(UnicodeConverters, StatusAndCountWritten) {
  initUnicodeConverters();  // does nothing, and is not needed first
  struct Case {
    std::string bytes;
    std::u16string units;
    NSUInteger capacity;
    std::int32_t status;
  } utf8Cases[] = {
      {"Gr\xC3\xBC", u"Grü", 3, kOk},  // exactly full: ICU's warning is success
      {"Gr\xC3\xBC", u"", 2, kOverflow},
      {"\xF0\x9F\x98\x80", u"😀", 2, kOk},
      {"a\xC3", u"", 8, kInvalid},
      {"\xED\xA0\x80", u"", 8, kInvalid},  // an encoded surrogate
  };
  for (const Case& c : utf8Cases) {
    char16_t out[8];
    NSUInteger n = 99;
    const auto status = convertUTF8ToUnicode(c.bytes.data(), c.bytes.size(), out, c.capacity, &n);
    EXPECT_EQ(run(status, out, n), run(c.status, c.units.data(), c.units.size())) << c.bytes;
  }
  const std::tuple<std::u16string, NSUInteger, std::int32_t, std::string> backCases[] = {
      {u"Grü", 4, kOk, "Gr\xC3\xBC"}, {u"Grü", 3, kOverflow, ""}, {u"a\xD800", 8, kInvalid, ""}};
  for (const auto& [units, capacity, status, bytes] : backCases) {
    char out[8];
    NSUInteger n = 99;
    EXPECT_EQ(convertUnicodeToUTF8(units.data(), units.size(), out, capacity, &n), status);
    EXPECT_EQ(std::string(out, n), bytes);
  }
  EXPECT_NE(convertUTF8ToUnicode(nullptr, 1, nullptr, 0, nullptr), kOk);
}

TEST(UnicodeConverters, AnyEncodingAnswersZeroOnlyForSuccess) {
  const std::tuple<std::string, std::uint32_t, NSUInteger, std::int32_t, std::u16string> cases[] = {
      {"\x80", NSWindowsCP1252StringEncoding, 1, kOk, u"€"},
      {"\xDD", NSNEXTSTEPStringEncoding, 1, kOk, u"é"},
      {"ab", NSASCIIStringEncoding, 1, kOverflow, u""},
      {"\xE9", NSASCIIStringEncoding, 8, kInvalid, u""},
      {"a", NSSymbolStringEncoding, 8, kUnsupported, u""},
  };
  for (const auto& [bytes, encoding, capacity, status, units] : cases) {
    char16_t out[8];
    NSUInteger n = 99;
    const auto answer =
        convertEncodingToUnicode(bytes.data(), bytes.size(), encoding, out, capacity, &n);
    EXPECT_EQ(run(answer, out, n), run(status, units.data(), units.size())) << encoding;
  }
}

}  // namespace
}  // namespace orvin
