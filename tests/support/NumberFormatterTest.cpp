#include "support/NumberFormatter.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <limits>
#include <string>

#include "ChildProcess.h"
#include "StorageForms.h"
#include "chars/internal/TestHooks.h"
#include "support/internal/LibraryTexts.h"

namespace orvin {
namespace {

using test::inChild;
using test::textOf;

// The number locale comes from these, in this order.
void useNumberLocale(const char* lcAll, const char* lcNumeric, const char* lang) {
  const std::pair<const char*, const char*> variables[] = {
      {"LC_ALL", lcAll}, {"LC_NUMERIC", lcNumeric}, {"LANG", lang}};
  for (const auto& [name, value] : variables) {
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
}

TEST(NumberFormatter, PatternsInLocales) {
  struct Case {
    const char* locale;
    const char16_t* pattern;
    double value;
    std::u16string expected;
  } cases[] = {
      {"en_US", u"#,##0", 1234567, u"1,234,567"},
      {"en_US", u"#,##0.##", -0.001, u"0"},  // never "-0"
      {"en_US", u"#,##0.##", -0.006, u"-0.01"},
      {"en_US", u"#,##0.#", 1.25, u"1.2"},  // half to even
      {"en_US", u"#,##0.#", 1.35, u"1.4"},
      {"de_DE", u"#,##0.#", 1234.5, u"1.234,5"},
      {"fr_FR", u"#,##0", 1234567, u"1\u202F234\u202F567"},
      // The pattern's grouping by thousands wins over the lakh grouping.
      {"hi_IN", u"#,##0", 1234567, u"1,234,567"},
      {"ar_EG", u"#,##0", 12, u"\u0661\u0662"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.locale) + " " + test::utf8(c.pattern) + " " +
                 std::to_string(c.value));
    const auto formatter = NumberFormatter::withPattern(c.pattern, c.locale);
    ASSERT_NE(formatter, nullptr);
    EXPECT_EQ(textOf(formatter->format(c.value)), c.expected);
  }
  // The instance forms never answer nil.
  const auto f = NumberFormatter::withPattern(u"#,##0.##", "en_US");
  EXPECT_EQ(textOf(stringForInt(*f, INT32_MIN)) + textOf(stringForFloat(*f, 3.14159f)),
            u"-2,147,483,6483.14");
  // ICU has no zero section: the old three-part patterns are refused.
  EXPECT_EQ(NumberFormatter::withPattern(u"#,###;0;-#,###", "en_US"), nullptr);
  EXPECT_EQ(NumberFormatter::withPattern(String(), "en_US"), nullptr);
}

TEST(NumberFormatter, SharedFormattersFollowTheEnvironment) {
  struct Case {
    const char* lcAll;
    const char* lcNumeric;
    const char* lang;
    std::string expected;  // int|integer|float
  } cases[] = {
      {nullptr, nullptr, nullptr, "16,777,217|-1,234|3.14|0"},
      {nullptr, "de_DE.UTF-8", "en_US.UTF-8", "16.777.217|-1.234|3,14|0"},
      {"", nullptr, "de_DE.UTF-8@euro", "16.777.217|-1.234|3,14|0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(inChild([&] {
                useNumberLocale(c.lcAll, c.lcNumeric, c.lang);
                const bool same = intFormatter() == integerFormatter();
                return stringForInt(16777217).toUtf8() + "|" + stringForInteger(-1234).toUtf8() +
                       "|" + stringForFloat(3.14159f).toUtf8() + "|" + stringForFloat(0).toUtf8() +
                       (same ? "" : " (two formatters)");
              }),
              c.expected);
  }
}

TEST(NumberFormatter, SizesAtEveryUnitBoundary) {
  constexpr std::uint64_t K = 1024, M = K * K, G = M * K, T = G * K;
  const std::pair<std::uint64_t, std::string> cases[] = {
      {0, "0 bytes"},
      {1023, "1023 bytes"},
      {K, "1 KB"},
      {1100, "1.1 KB"},
      {M - 1, "1,024 KB"},
      {M, "1 MB"},
      {G - 1, "1,024 MB"},
      {G, "1 GB"},
      {T - 1, "1,024 GB"},
      {T, "1 TB"},
      {std::numeric_limits<std::uint64_t>::max(), "16,777,216 TB"},
  };
  std::string expected;
  for (const auto& [size, text] : cases) expected += text + "|";
  EXPECT_EQ(inChild([&] {
              useNumberLocale("C", nullptr, nullptr);
              std::string out;
              for (const auto& entry : cases) out += stringForSize(entry.first).toUtf8() + "|";
              return out;
            }),
            expected);
}

TEST(NumberFormatter, SizesInGerman) {
  EXPECT_EQ(inChild([] {
              useNumberLocale(nullptr, nullptr, "de_DE.UTF-8");
              ::setenv("LANGUAGE", "de", 1);
              std::setlocale(LC_ALL, "C.UTF-8");
              detail::bindLibraryTexts(ORVIN_TEST_LOCALE_DIR);
              return stringForSize(512).toUtf8() + "|" + stringForSize(1536).toUtf8() + "|" +
                     stringForSize(5000000000).toUtf8();
            }),
            "512 Bytes|1,5 KB|4,7 GB");
}

TEST(NumberFormatter, FailedBuildIsRetried) {
  EXPECT_EQ(inChild([] {
              useNumberLocale("C", nullptr, nullptr);
              testhooks::failNextWorkAllocations(1);
              const std::string failed = "[" + stringForInt(5).toUtf8() + "]";
              testhooks::resetWorkAllocationFailures();
              return failed + "[" + stringForInt(5).toUtf8() + "]";
            }),
            "[][5]");
  testhooks::failNextWorkAllocations(1);
  EXPECT_EQ(NumberFormatter::withPattern(u"#,##0", "en_US"), nullptr);
  testhooks::resetWorkAllocationFailures();
}

}  // namespace
}  // namespace orvin
