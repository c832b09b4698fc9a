#include "chars/TextEncodings.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "StorageForms.h"
#include "chars/WorkMemory.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

using test::FormTest;

using test::textOf;

String decode(const std::string& bytes, NSUInteger encoding) {
  return stringWithBytes(bytes.data(), bytes.size(), encoding);
}

struct ChunkLimit {
  explicit ChunkLimit(NSUInteger units) { testhooks::setConversionChunkLimit(units); }
  ~ChunkLimit() { testhooks::setConversionChunkLimit(0); }
};

// Text and its exact bytes; both directions must agree.
struct RoundTrip {
  NSUInteger encoding;
  std::u16string text;
  std::string bytes;
};

const std::string kUtf16Bom =
    std::endian::native == std::endian::little ? std::string("\xFF\xFE", 2) : "\xFE\xFF";

std::vector<RoundTrip> roundTrips() {
  const bool little = std::endian::native == std::endian::little;
  return {
      {NSASCIIStringEncoding, u"plain\ttext", "plain\ttext"},
      {NSNEXTSTEPStringEncoding, u"é’ﬁ\u00A0", "\xDD\xA9\xAE\x80"},
      {NSJapaneseEUCStringEncoding, u"a日本", "a\xC6\xFC\xCB\xDC"},
      {NSUTF8StringEncoding, u"Grüß €😀", "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC\xF0\x9F\x98\x80"},
      {NSISOLatin1StringEncoding, u"Grüß\u00FF", "Gr\xFC\xDF\xFF"},
      {NSShiftJISStringEncoding, u"日本\x1A\x1C\x7F", "\x93\xFA\x96\x7B\x1A\x1C\x7F"},
      {NSISOLatin2StringEncoding, u"Łóź", "\xA3\xF3\xBC"},
      {NSWindowsCP1251StringEncoding, u"Привет", "\xCF\xF0\xE8\xE2\xE5\xF2"},
      {NSWindowsCP1252StringEncoding, u"€ü", "\x80\xFC"},
      {NSWindowsCP1253StringEncoding, u"Ωα", "\xD9\xE1"},
      {NSWindowsCP1254StringEncoding, u"ğş", "\xF0\xFE"},
      {NSWindowsCP1250StringEncoding, u"Łź", "\xA3\x9F"},
      {NSISO2022JPStringEncoding, u"a日本", "a\x1B$BF|K\\\x1B(B"},
      {NSMacOSRomanStringEncoding, u"é™", "\x8E\xAA"},
      {NSUTF16BigEndianStringEncoding, u"A😀", std::string("\x00\x41\xD8\x3D\xDE\x00", 6)},
      {NSUTF16LittleEndianStringEncoding, u"A😀", std::string("\x41\x00\x3D\xD8\x00\xDE", 6)},
      {NSUTF32BigEndianStringEncoding, u"A😀", std::string("\x00\x00\x00\x41\x00\x01\xF6\x00", 8)},
      {NSUTF32LittleEndianStringEncoding, u"A😀",
       std::string("\x41\x00\x00\x00\x00\xF6\x01\x00", 8)},
      {NSUnicodeStringEncoding, u"A",
       kUtf16Bom + (little ? std::string("\x41\x00", 2) : std::string("\x00\x41", 2))},
      {NSUTF32StringEncoding, u"A",
       little ? std::string("\xFF\xFE\x00\x00\x41\x00\x00\x00", 8)
              : std::string("\x00\x00\xFE\xFF\x00\x00\x00\x41", 8)},
  };
}

class TextEncodingsRoundTrip : public FormTest {};

TEST_P(TextEncodingsRoundTrip, EncodesAndDecodesExactBytes) {
  // A limit of one unit per call makes multi-byte characters and shift
  // sequences straddle every call boundary.
  for (NSUInteger chunkLimit : {0, 1}) {
    ChunkLimit limit(chunkLimit);
    for (const RoundTrip& c : roundTrips()) {
      SCOPED_TRACE(encodingName(c.encoding));
      const auto bytes = bytesOfString(make(c.text), c.encoding);
      ASSERT_TRUE(bytes.has_value());
      EXPECT_EQ(*bytes, c.bytes);
      EXPECT_EQ(textOf(decode(c.bytes, c.encoding)), c.text);
      EXPECT_EQ(bytesOfString(make(u""), c.encoding), std::string());
      EXPECT_FALSE(bytesOfString(String(), c.encoding).has_value());
    }
    EXPECT_TRUE(decode("ab\xC3", NSUTF8StringEncoding).isNil());
  }
}

TEST_P(TextEncodingsRoundTrip, UnrepresentableCharactersFailOrBecomeQuestionMarks) {
  const std::tuple<NSUInteger, std::u16string, std::string> cases[] = {
      {NSASCIIStringEncoding, u"Grüße", "Gr??e"},
      {NSISOLatin1StringEncoding, u"1€", "1?"},
      {NSNEXTSTEPStringEncoding, u"€😀x", "??x"},
      {NSUTF8StringEncoding, std::u16string(u"a\xD800z"), "a?z"},
      {NSUTF16BigEndianStringEncoding, std::u16string(u"a\xD800"), std::string("\0a\0?", 4)},
      {NSUTF32LittleEndianStringEncoding, std::u16string(u"\xDFFF"), std::string("?\0\0\0", 4)},
  };
  for (const auto& [encoding, text, lossy] : cases) {
    SCOPED_TRACE(encodingName(encoding));
    EXPECT_FALSE(bytesOfString(make(text), encoding).has_value());
    EXPECT_EQ(bytesOfString(make(text), encoding, true), lossy);
  }
}

INSTANTIATE_FORMS(TextEncodingsRoundTrip);

TEST(TextEncodingsDecode, RejectsInvalidBytes) {
  using namespace std::string_literals;
  const std::pair<NSUInteger, std::vector<std::string>> cases[] = {
      {NSASCIIStringEncoding, {"ab\xFF"}},
      // Truncated, an encoded surrogate, overlong, above U+10FFFF, a mark then junk.
      {NSUTF8StringEncoding,
       {"a\xC3", "\xED\xA0\x80", "\xC0\xAF", "\xF4\x90\x80\x80", "\xEF\xBB\xBF\xFF"}},
      {NSJapaneseEUCStringEncoding, {"\xC6"}},
      {NSWindowsCP1253StringEncoding, {"\xD2"}},  // unassigned
      {NSUTF16BigEndianStringEncoding, {"\0A\0"s, "\xD8\0\0A"s}},
      {NSUTF16LittleEndianStringEncoding, {"\0\xDC"s}},
      {NSUnicodeStringEncoding, {"\xFF\xFE\x41"}},
      {NSUTF32BigEndianStringEncoding, {"\0\x11\0\0"s}},
      {NSUTF32StringEncoding, {"\0\0\0"s}},
  };
  for (const auto& [encoding, inputs] : cases) {
    for (const std::string& bytes : inputs) {
      EXPECT_TRUE(decode(bytes, encoding).isNil())
          << encoding << ": " << testing::PrintToString(bytes);
    }
  }
}

TEST(TextEncodingsDecode, NeXTSTEPHighBytesFollowThePublicMapping) {
  // Bytes 0x80 to 0xFD as glibc's NEXTSTEP charmap gives them (generated from
  // /usr/share/i18n/charmaps/NEXTSTEP.gz); 0xFE and 0xFF are unassigned.
  const std::u16string expected =
      u"\u00A0\u00C0\u00C1\u00C2\u00C3\u00C4\u00C5\u00C7\u00C8\u00C9\u00CA\u00CB"
      u"\u00CC\u00CD\u00CE\u00CF\u00D0\u00D1\u00D2\u00D3\u00D4\u00D5\u00D6\u00D9"
      u"\u00DA\u00DB\u00DC\u00DD\u00DE\u00B5\u00D7\u00F7\u00A9\u00A1\u00A2\u00A3"
      u"\u2044\u00A5\u0192\u00A7\u00A4\u2019\u201C\u00AB\u2039\u203A\uFB01\uFB02"
      u"\u00AE\u2013\u2020\u2021\u00B7\u00A6\u00B6\u2022\u201A\u201E\u201D\u00BB"
      u"\u2026\u2030\u00AC\u00BF\u00B9\u02CB\u00B4\u02C6\u02DC\u00AF\u02D8\u02D9"
      u"\u00A8\u00B2\u02DA\u00B8\u00B3\u02DD\u02DB\u02C7\u2014\u00B1\u00BC\u00BD"
      u"\u00BE\u00E0\u00E1\u00E2\u00E3\u00E4\u00E5\u00E7\u00E8\u00E9\u00EA\u00EB"
      u"\u00EC\u00C6\u00ED\u00AA\u00EE\u00EF\u00F0\u00F1\u0141\u00D8\u0152\u00BA"
      u"\u00F2\u00F3\u00F4\u00F5\u00F6\u00E6\u00F9\u00FA\u00FB\u0131\u00FC\u00FD"
      u"\u0142\u00F8\u0153\u00DF\u00FE\u00FF";
  std::string bytes;
  for (int b = 0x80; b <= 0xFD; ++b) bytes.push_back(static_cast<char>(b));
  ASSERT_EQ(expected.size(), bytes.size());
  EXPECT_EQ(textOf(decode(bytes, NSNEXTSTEPStringEncoding)), expected);
  EXPECT_EQ(bytesOfString(String(expected), NSNEXTSTEPStringEncoding), bytes);
  for (const char unassigned : {'\xFE', '\xFF'}) {
    EXPECT_TRUE(decode(std::string(1, unassigned), NSNEXTSTEPStringEncoding).isNil());
  }
}

TEST(TextEncodingsDecode, ByteOrderMarksAndSpecialBytes) {
  const std::tuple<NSUInteger, std::string, std::u16string> cases[] = {
      {NSUnicodeStringEncoding, std::string("\xFE\xFF\x00\x41", 4), u"A"},
      {NSUnicodeStringEncoding, std::string("\xFF\xFE\x41\x00", 4), u"A"},
      {NSUnicodeStringEncoding, std::string("\x00\x41", 2), u"A"},  // big-endian by default
      {NSUTF32StringEncoding, std::string("\x00\x00\xFE\xFF\x00\x00\x00\x41", 8), u"A"},
      {NSUTF32StringEncoding, std::string("\x00\x00\x00\x41", 4), u"A"},
      {NSUTF16BigEndianStringEncoding, std::string("\xFE\xFF\x00\x41", 4), u"\uFEFFA"},
      {NSUTF8StringEncoding, "\xEF\xBB\xBFZ", u"Z"},
      {NSUTF8StringEncoding, "\xEF\xBB\xBF\xEF\xBB\xBF", u"\uFEFF"},
      {NSShiftJISStringEncoding, "\x1A\x1C\x7F\\~", u"\x1A\x1C\x7F\\~"},
  };
  for (const auto& [encoding, bytes, expected] : cases) {
    EXPECT_EQ(textOf(decode(bytes, encoding)), expected)
        << encoding << ": " << testing::PrintToString(bytes);
  }
}

TEST(TextEncodingsDecode, BadArgumentsAndStorageForms) {
  EXPECT_TRUE(stringWithBytes(nullptr, 3, NSUTF8StringEncoding).isNil());
  EXPECT_EQ(textOf(stringWithBytes(nullptr, 0, NSUTF8StringEncoding)), u"");
  for (NSUInteger unknown : {NSUInteger{0}, NSUInteger{NSSymbolStringEncoding},
                             NSUInteger{NSNonLossyASCIIStringEncoding}, NSUInteger{0xFFFFFFFF}}) {
    EXPECT_TRUE(decode("abc", unknown).isNil()) << unknown;
    EXPECT_FALSE(bytesOfString(String(u"a"), unknown).has_value()) << unknown;
    EXPECT_FALSE(isEncodingSupported(unknown)) << unknown;
    EXPECT_EQ(encodingName(unknown), nullptr) << unknown;
  }
  for (const RoundTrip& c : roundTrips()) EXPECT_TRUE(isEncodingSupported(c.encoding));

  EXPECT_TRUE(decode("abc", NSUTF8StringEncoding).isCompact());
  EXPECT_TRUE(decode("\xE9", NSISOLatin1StringEncoding).isCompact());
  EXPECT_FALSE(decode("\xC3\xA9", NSUTF8StringEncoding).isCompact());
}

TEST(TextEncodingsDecode, LargeInputGrowsItsBuffer) {
  // Four bytes per character, two code units each: more than the first guess.
  std::string bytes;
  std::u16string expected;
  for (int i = 0; i < 3000; ++i) {
    bytes += std::string("\x00\x01\xF6\x00", 4);
    expected += u"😀";
  }
  EXPECT_EQ(textOf(decode(bytes, NSUTF32BigEndianStringEncoding)), expected);
}

TEST(TextEncodingsDecode, OutOfMemoryGivesNil) {
  testhooks::failNextWorkAllocations(1);
  EXPECT_TRUE(decode("\xC3\xA9", NSUTF8StringEncoding).isNil());
  testhooks::resetWorkAllocationFailures();
  EXPECT_EQ(textOf(decode("\xC3\xA9", NSUTF8StringEncoding)), u"é");
}

TEST(TextEncodingsDetect, SignaturesThenUtf8) {
  const std::pair<std::string, NSUInteger> cases[] = {
      {"", NSUTF8StringEncoding},
      {"\xEF\xBB\xBFtext", NSUTF8StringEncoding},
      {"Gr\xC3\xBC\xC3\x9F", NSUTF8StringEncoding},
      {"\xE9t\xE9", 0},
      {"a\xC3", 0},
      {std::string("\xFE\xFF\x00\x41", 4), NSUnicodeStringEncoding},
      {std::string("\xFF\xFE\x41\x00", 4), NSUnicodeStringEncoding},
      {std::string("\xFF\xFE\x41", 3), 0},  // odd length
      {std::string("\x00\x00\xFE\xFF\x00\x00\x00\x41", 8), NSUTF32StringEncoding},
      {std::string("\xFF\xFE\x00\x00\x41\x00", 6), NSUnicodeStringEncoding},
  };
  for (const auto& [bytes, expected] : cases) {
    EXPECT_EQ(detectEncoding(bytes.data(), bytes.size()), expected)
        << testing::PrintToString(bytes);
    // What is detected decodes.
    if (expected != 0) {
      EXPECT_FALSE(decode(bytes, expected).isNil()) << testing::PrintToString(bytes);
    }
  }
  EXPECT_EQ(detectEncoding(nullptr, 2), 0u);
}

class TextEncodingsChoice : public FormTest {};

TEST_P(TextEncodingsChoice, SmallestEncodingIsLosslessAndSmallest) {
  const std::pair<std::u16string, NSUInteger> cases[] = {
      {u"", NSASCIIStringEncoding},
      {u"Grüße", NSISOLatin1StringEncoding},
      {u"€uro text", NSUTF8StringEncoding},
      {u"日本語", NSUnicodeStringEncoding},
      {u"日本語a", NSUTF8StringEncoding},  // a tie: 10 bytes either way
      {u"😀", NSUTF8StringEncoding},
      {std::u16string(u"\xD800"
                      u"a"),
       NSUnicodeStringEncoding},  // a lead without its trail
  };
  for (const auto& [text, expected] : cases) {
    const String s = make(text);
    const NSUInteger smallest = smallestEncoding(s);
    EXPECT_EQ(smallest, expected) << textOf(s).size();
    const NSUInteger fastest = fastestEncoding(s);
    EXPECT_EQ(fastest, s.isCompact() ? NSUInteger{NSISOLatin1StringEncoding}
                                     : NSUInteger{NSUnicodeStringEncoding});
    if (text.find(u'\xD800') != std::u16string::npos) continue;  // no lossless encoding
    for (NSUInteger chosen : {smallest, fastest}) {
      EXPECT_EQ(textOf(decode(bytesOfString(s, chosen).value_or("<none>"), chosen)), text);
    }
  }
}

INSTANTIATE_FORMS(TextEncodingsChoice);

}  // namespace
}  // namespace orvin
