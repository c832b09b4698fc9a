// The case and accent folding tables, and the diacritic folding they use.
#include "chars/ConversionTables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "StorageForms.h"
#include "chars/DiacriticFolding.h"
#include "chars/WorkMemory.h"
#include "chars/internal/CacheBuilders.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

using Kind = detail::ConversionTableKind;

// The five tables in the columns' order, each by its three ways in.
const struct {
  Kind kind;
  const unichar* (*init)() noexcept;
  const unichar* (*cached)() noexcept;
  unichar (*lookup)(unichar);
} kTables[] = {
    {Kind::lower, initLowerCharsTable, lowerCharsTable, toLower},
    {Kind::upper, initUpperCharsTable, upperCharsTable, toUpper},
    {Kind::umlauts, initUmlautsCharsTable, umlautsCharsTable, umlautsToAscii},
    {Kind::lowerUmlauts, initLowerUmlautsCharsTable, lowerUmlautsCharsTable, umlautsToLowerAscii},
    {Kind::upperUmlauts, initUpperUmlautsCharsTable, upperUmlautsCharsTable, umlautsToUpperAscii},
};

// Columns: lower, upper, umlauts, lower umlauts, upper umlauts, then ASCII,
// lower ASCII, upper ASCII. Each refused mapping (not one code unit: U+0130,
// U+0149, U+1F80) is followed by a neighbour that does map, so a build that
// goes astray after a refusal shows.
const struct {
  unichar c;
  unichar folds[8];
} kFolds[] = {
    {u'A', {u'a', u'A', u'A', u'a', u'A', u'A', u'a', u'A'}},
    {u'i', {u'i', u'I', u'i', u'i', u'I', u'i', u'i', u'I'}},  // root locale, not Turkish
    {u'Ä', {u'ä', u'Ä', u'A', u'a', u'A', u'A', u'a', u'A'}},
    {u'ß', {u'ß', u'ß', u'ß', u'ß', u'ß', u' ', u' ', u' '}},  // "SS" is two units
    {u'ø', {u'ø', u'Ø', u'ø', u'ø', u'Ø', u' ', u' ', u' '}},  // no decomposition
    {0x007F, {0x007F, 0x007F, 0x007F, 0x007F, 0x007F, 0x007F, 0x007F, 0x007F}},  // last ASCII
    {0x0080, {0x0080, 0x0080, 0x0080, 0x0080, 0x0080, u' ', u' ', u' '}},        // first not
    {0x0130, {0x0130, 0x0130, u'I', u'i', u'I', u'I', u'i', u'I'}},              // lower is "i̇"
    {0x0131, {0x0131, u'I', 0x0131, 0x0131, u'I', u' ', u' ', u' '}},
    {0x0149, {0x0149, 0x0149, 0x0149, 0x0149, 0x0149, u' ', u' ', u' '}},  // upper is "ʼN"
    {0x014A, {0x014B, 0x014A, 0x014A, 0x014B, 0x014A, u' ', u' ', u' '}},
    {0x01C5, {0x01C6, 0x01C5, 0x01C5, 0x01C6, 0x01C5, u' ', u' ', u' '}},  // title case
    {0x1E9E, {0x00DF, 0x1E9E, 0x1E9E, 0x00DF, 0x1E9E, u' ', u' ', u' '}},  // ẞ
    {0x1F80, {0x1F80, 0x1F80, 0x03B1, 0x03B1, 0x0391, u' ', u' ', u' '}},  // upper: two units
    {0x1F81, {0x1F81, 0x1F81, 0x03B1, 0x03B1, 0x0391, u' ', u' ', u' '}},
    {0x2126, {0x03C9, 0x2126, 0x03A9, 0x03C9, 0x03A9, u' ', u' ', u' '}},  // ohm sign: NFC is Ω
    {0x212B, {0x00E5, 0x212B, u'A', u'a', u'A', u'A', u'a', u'A'}},        // angstrom sign
    {0xD800, {0xD800, 0xD800, 0xD800, 0xD800, 0xD800, u' ', u' ', u' '}},
    {0xFFFF, {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, u' ', u' ', u' '}},
};

TEST(ConversionTables, TablesAndLookups) {
  for (const auto& table : kTables) {
    ASSERT_NE(table.init(), nullptr);
    EXPECT_EQ(table.cached(), table.init());
  }
  for (const auto& row : kFolds) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<unsigned>(row.c));
    for (std::size_t k = 0; k < std::size(kTables); ++k) {
      EXPECT_EQ(kTables[k].init()[row.c], row.folds[k]) << k;
      EXPECT_EQ(kTables[k].lookup(row.c), row.folds[k]) << k;
    }
    EXPECT_EQ(toAscii(row.c), row.folds[5]);
    EXPECT_EQ(toLowerAscii(row.c), row.folds[6]);
    EXPECT_EQ(toUpperAscii(row.c), row.folds[7]);
  }
}

// Builds with every ingredient already cached, so the one armed failure hits
// the table's own block.
TEST(ConversionTables, BuildFailsCleanlyWithoutMemory) {
  for (const auto& table : kTables) {
    ASSERT_NE(table.init(), nullptr);
    testhooks::failNextWorkAllocations(1);
    EXPECT_EQ(detail::buildConversionTable(table.kind), nullptr);
    testhooks::resetWorkAllocationFailures();
    unichar* fresh = detail::buildConversionTable(table.kind);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(std::memcmp(fresh, table.init(), kConversionTableEntries * sizeof(unichar)), 0);
    releaseWorkMemory(fresh);
  }
}

TEST(DiacriticFolding, Texts) {
  const struct {
    std::u16string text, folded;
  } cases[] = {
      {u"", u""},
      {u"e\u0301", u"e"},              // decomposed input
      {u"Tiếng Việt", u"Tieng Viet"},  // two marks on one letter
      {u"Øre Straße łódź", u"Øre Straße łodz"},
      {u"한국어", u"한국어"},            // Hangul recomposes
      {u"\U0001109A", u"\U00011099"},    // a supplementary letter with a nukta
      {u"a\xD800\x0301z", u"a\xD800z"},  // an unpaired surrogate passes
  };
  for (const auto& c : cases) EXPECT_EQ(foldDiacritics(c.text), c.folded) << test::utf8(c.text);
}

// The table path must give what the text path gives for every code unit
// whose fold is one code unit, and keep the others.
TEST(DiacriticFolding, CodeUnitPathAgreesWithTextPath) {
  int mismatches = 0;
  for (unsigned u = 0; u < 0x10000 && mismatches < 5; ++u) {
    const auto c = static_cast<unichar>(u);
    const std::u16string folded = foldDiacritics(std::u16string(1, c));
    if (foldDiacriticsOfCodeUnit(c) != (folded.size() == 1 ? folded[0] : c)) {
      ADD_FAILURE() << "U+" << std::hex << u;
      ++mismatches;
    }
  }
}

}  // namespace
}  // namespace orvin
