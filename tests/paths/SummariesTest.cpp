#include "paths/Summaries.h"

#include <gtest/gtest.h>

#include "tests/StorageForms.h"

namespace orvin {
namespace {

using test::textOf;

class Summaries : public test::FormTest {};

TEST_P(Summaries, PicksTheBestInDocumentOrder) {
  const String text = make(
      u"Cats purr softly. Dogs bark. Cats nap and cats purr.\n"
      u"  \n"
      u"Birds sing.\u2029Fish swim, cats watch fish.");
  struct Case {
    NSUInteger count;
    const char16_t* sentences;
    const char16_t* paragraphs;
  };
  const Case cases[] = {
      {0, u"", u""},
      {1, u"Cats nap and cats purr.", u"Cats purr softly. Dogs bark. Cats nap and cats purr."},
      {2, u"Cats nap and cats purr. Fish swim, cats watch fish.",
       u"Cats purr softly. Dogs bark. Cats nap and cats purr.\n\nFish swim, cats watch fish."},
      {6,
       u"Cats purr softly. Dogs bark. Cats nap and cats purr. Birds sing. Fish swim, cats "
       u"watch fish.",
       u"Cats purr softly. Dogs bark. Cats nap and cats purr.\n\nBirds sing.\n\nFish swim, "
       u"cats watch fish."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    EXPECT_EQ(textOf(summarizeInSentences(text, c.count)), c.sentences);
    EXPECT_EQ(textOf(summarizeInParagraphs(text, c.count)), c.paragraphs);
  }
}

TEST_P(Summaries, NothingToSummarize) {
  for (const char16_t* text : {u"", u"  \n\n \u2029 "}) {
    EXPECT_TRUE(summarizeInSentences(make(text), 3).isNil());
    EXPECT_TRUE(summarizeInParagraphs(make(text), 3).isNil());
  }
  EXPECT_TRUE(summarizeInSentences(String(), 3).isNil());
}

INSTANTIATE_FORMS(Summaries);

}  // namespace
}  // namespace orvin
