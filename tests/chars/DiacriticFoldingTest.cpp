#include "chars/DiacriticFolding.h"

#include <gtest/gtest.h>

#include <string>

namespace orvin {
namespace {

TEST(DiacriticFoldingTest, Texts) {
  const struct {
    std::u16string text, folded;
  } cases[] = {
      {u"", u""},
      {u"plain ASCII", u"plain ASCII"},
      {u"Crème Brûlée", u"Creme Brulee"},
      {u"e\u0301", u"e"},              // decomposed input
      {u"Tiếng Việt", u"Tieng Viet"},  // two marks on one letter
      {u"Øre Straße łódź", u"Øre Straße łodz"},
      {u"\u212B", u"A"},  // angstrom sign
      {u"άλφα", u"αλφα"},
      {u"שָׁלוֹם", u"שלום"},                // Hebrew points are marks
      {u"한국어", u"한국어"},            // Hangul recomposes
      {u"\U0001109A", u"\U00011099"},    // a supplementary letter with a nukta
      {u"a\xD800\x0301z", u"a\xD800z"},  // an unpaired surrogate passes
  };
  for (const auto& c : cases) {
    EXPECT_EQ(foldDiacritics(c.text), c.folded);
  }
}

// The table path must give what the text path gives for every code unit
// whose fold is one code unit, and keep the others.
TEST(DiacriticFoldingTest, CodeUnitPathAgreesWithTextPath) {
  int mismatches = 0;
  for (unsigned u = 0; u < 0x10000 && mismatches < 5; ++u) {
    const auto c = static_cast<unichar>(u);
    const std::u16string folded = foldDiacritics(std::u16string(1, c));
    const unichar expected = folded.size() == 1 ? folded[0] : c;
    if (foldDiacriticsOfCodeUnit(c) != expected) {
      ADD_FAILURE() << "U+" << std::hex << u;
      ++mismatches;
    }
  }
}

}  // namespace
}  // namespace orvin
