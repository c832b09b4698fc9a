#include "chars/ConversionTables.h"

#include <gtest/gtest.h>

#include <cstring>

#include "chars/WorkMemory.h"

namespace orvin {
namespace {

struct FoldRow {
  unichar c;
  unichar lower, upper, umlauts, lowerUmlauts, upperUmlauts;
  unichar ascii, lowerAscii, upperAscii;
};

// Each refused mapping (not one code unit: U+0130, U+0149, U+1F80) is
// followed by a neighbour that does map, so a build that goes astray after a
// refusal shows.
const FoldRow kFolds[] = {
    {u'\t', u'\t', u'\t', u'\t', u'\t', u'\t', u'\t', u'\t', u'\t'},
    {u'-', u'-', u'-', u'-', u'-', u'-', u'-', u'-', u'-'},
    {u'5', u'5', u'5', u'5', u'5', u'5', u'5', u'5', u'5'},
    {u'A', u'a', u'A', u'A', u'a', u'A', u'A', u'a', u'A'},
    {u'i', u'i', u'I', u'i', u'i', u'I', u'i', u'i', u'I'},  // root locale, not Turkish
    {u'Ä', u'ä', u'Ä', u'A', u'a', u'A', u'A', u'a', u'A'},
    {u'É', u'é', u'É', u'E', u'e', u'E', u'E', u'e', u'E'},
    {u'Ö', u'ö', u'Ö', u'O', u'o', u'O', u'O', u'o', u'O'},
    {u'ß', u'ß', u'ß', u'ß', u'ß', u'ß', u' ', u' ', u' '},  // "SS" is two units
    {u'ä', u'ä', u'Ä', u'a', u'a', u'A', u'a', u'a', u'A'},
    {u'é', u'é', u'É', u'e', u'e', u'E', u'e', u'e', u'E'},
    {u'ø', u'ø', u'Ø', u'ø', u'ø', u'Ø', u' ', u' ', u' '},        // no decomposition
    {0x0130, 0x0130, 0x0130, u'I', u'i', u'I', u'I', u'i', u'I'},  // lower is "i̇"
    {0x0131, 0x0131, u'I', 0x0131, 0x0131, u'I', u' ', u' ', u' '},
    {0x0132, 0x0133, 0x0132, 0x0132, 0x0133, 0x0132, u' ', u' ', u' '},
    {0x0149, 0x0149, 0x0149, 0x0149, 0x0149, 0x0149, u' ', u' ', u' '},  // upper is "ʼN"
    {0x014A, 0x014B, 0x014A, 0x014A, 0x014B, 0x014A, u' ', u' ', u' '},
    {0x01C5, 0x01C6, 0x01C5, 0x01C5, 0x01C6, 0x01C5, u' ', u' ', u' '},  // title case
    {0x01C6, 0x01C6, 0x01C4, 0x01C6, 0x01C6, 0x01C4, u' ', u' ', u' '},
    {0x0301, 0x0301, 0x0301, 0x0301, 0x0301, 0x0301, u' ', u' ', u' '},  // a lone mark stays
    {0x03AC, 0x03AC, 0x0386, 0x03B1, 0x03B1, 0x0391, u' ', u' ', u' '},  // ά
    {0x0436, 0x0436, 0x0416, 0x0436, 0x0436, 0x0416, u' ', u' ', u' '},  // ж
    {0x1E9E, 0x00DF, 0x1E9E, 0x1E9E, 0x00DF, 0x1E9E, u' ', u' ', u' '},  // ẞ
    {0x1F80, 0x1F80, 0x1F80, 0x03B1, 0x03B1, 0x0391, u' ', u' ', u' '},  // upper is two units
    {0x1F81, 0x1F81, 0x1F81, 0x03B1, 0x03B1, 0x0391, u' ', u' ', u' '},
    {0x2126, 0x03C9, 0x2126, 0x03A9, 0x03C9, 0x03A9, u' ', u' ', u' '},  // ohm sign: NFC is Ω
    {0x212B, 0x00E5, 0x212B, u'A', u'a', u'A', u'A', u'a', u'A'},        // angstrom sign
    {0xAC00, 0xAC00, 0xAC00, 0xAC00, 0xAC00, 0xAC00, u' ', u' ', u' '},  // Hangul syllable
    {0xD800, 0xD800, 0xD800, 0xD800, 0xD800, 0xD800, u' ', u' ', u' '},
    {0xFF21, 0xFF41, 0xFF21, 0xFF21, 0xFF41, 0xFF21, u' ', u' ', u' '},  // fullwidth A
    {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, u' ', u' ', u' '},
};

TEST(ConversionTablesTest, TablesAndLookups) {
  const unichar* lower = initLowerCharsTable();
  const unichar* upper = initUpperCharsTable();
  const unichar* umlauts = initUmlautsCharsTable();
  const unichar* lowerUmlauts = initLowerUmlautsCharsTable();
  const unichar* upperUmlauts = initUpperUmlautsCharsTable();
  for (const unichar* t : {lower, upper, umlauts, lowerUmlauts, upperUmlauts}) {
    ASSERT_NE(t, nullptr);
  }
  for (const FoldRow& row : kFolds) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<unsigned>(row.c));
    EXPECT_EQ(lower[row.c], row.lower);
    EXPECT_EQ(upper[row.c], row.upper);
    EXPECT_EQ(umlauts[row.c], row.umlauts);
    EXPECT_EQ(lowerUmlauts[row.c], row.lowerUmlauts);
    EXPECT_EQ(upperUmlauts[row.c], row.upperUmlauts);
    EXPECT_EQ(toLower(row.c), row.lower);
    EXPECT_EQ(toUpper(row.c), row.upper);
    EXPECT_EQ(umlautsToAscii(row.c), row.umlauts);
    EXPECT_EQ(umlautsToLowerAscii(row.c), row.lowerUmlauts);
    EXPECT_EQ(umlautsToUpperAscii(row.c), row.upperUmlauts);
    EXPECT_EQ(toAscii(row.c), row.ascii);
    EXPECT_EQ(toLowerAscii(row.c), row.lowerAscii);
    EXPECT_EQ(toUpperAscii(row.c), row.upperAscii);
  }
}

TEST(ConversionTablesTest, EveryWayToATableGivesTheCachedOne) {
  EXPECT_EQ(lowerCharsTable(), initLowerCharsTable());
  EXPECT_EQ(upperCharsTable(), initUpperCharsTable());
  EXPECT_EQ(umlautsCharsTable(), initUmlautsCharsTable());
  EXPECT_EQ(lowerUmlautsCharsTable(), initLowerUmlautsCharsTable());
  EXPECT_EQ(upperUmlautsCharsTable(), initUpperUmlautsCharsTable());
  EXPECT_EQ(initLowerCharsTable(), initLowerCharsTable());
}

// Builds with every ingredient already cached, so the one armed failure hits
// the table's own block.
TEST(ConversionTablesTest, BuildFailsCleanlyWithoutMemory) {
  using Kind = detail::ConversionTableKind;
  const std::pair<Kind, const unichar*> kinds[] = {
      {Kind::lower, initLowerCharsTable()},
      {Kind::upper, initUpperCharsTable()},
      {Kind::umlauts, initUmlautsCharsTable()},
      {Kind::lowerUmlauts, initLowerUmlautsCharsTable()},
      {Kind::upperUmlauts, initUpperUmlautsCharsTable()},
  };
  for (const auto& [kind, cached] : kinds) {
    ASSERT_NE(cached, nullptr);
    testhooks::failNextWorkAllocations(1);
    EXPECT_EQ(detail::buildConversionTable(kind), nullptr) << static_cast<int>(kind);
    testhooks::resetWorkAllocationFailures();
    unichar* fresh = detail::buildConversionTable(kind);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(std::memcmp(fresh, cached, kConversionTableEntries * sizeof(unichar)), 0);
    releaseWorkMemory(fresh);
  }
}

}  // namespace
}  // namespace orvin
