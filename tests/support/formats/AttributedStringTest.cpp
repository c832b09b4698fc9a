#include "support/formats/AttributedString.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "StorageForms.h"
#include "chars/PlatformException.h"
#include "support/formats/DescribeRuns.h"

namespace orvin {
namespace {

using test::describe;

TextAttributes bold() {
  return test::style(true);
}
TextAttributes italic() {
  return test::style(false, true);
}

class AttributedStringEdits : public test::FormTest {
 protected:
  // "plain" plain, "bold" bold, "ital" italic.
  MutableAttributedString base() const {
    MutableAttributedString m;
    m.appendString(make(u"plain"), {});
    m.appendString(make(u"bold"), bold());
    m.appendString(make(u"ital"), italic());
    return m;
  }
};

TEST_P(AttributedStringEdits, ReplacedTextTakesNeighbouringStyle) {
  const std::tuple<NSRange, std::u16string, const char*> cases[] = {
      {{5, 4}, u"B", "plain/|B/b|ital/i"},       // first replaced character
      {{3, 4}, u"--", "pla--/|ld/b|ital/i"},     // across two runs
      {{5, 0}, u"X", "plainX/|bold/b|ital/i"},   // insertion: the one before
      {{0, 0}, u"X", "Xplain/|bold/b|ital/i"},   // at 0: the one after
      {{13, 0}, u"X", "plain/|bold/b|italX/i"},  // at the end
      {{5, 4}, u"", "plain/|ital/i"},            // deletion
      {{0, 13}, u"neu", "neu/"},                 // everything
      {{9, 0}, u"", "plain/|bold/b|ital/i"},     // nothing at all
  };
  for (const auto& [range, text, runs] : cases) {
    MutableAttributedString m = base();
    m.replaceCharactersInRange(range, make(text));
    EXPECT_EQ(describe(m), runs) << range.location << "," << range.length;
  }
}

TEST_P(AttributedStringEdits, StyledEditsSplitAndMerge) {
  MutableAttributedString m = base();
  m.setAttributes(bold(), {3, 8});
  EXPECT_EQ(describe(m), "pla/|inboldit/b|al/i");
  m.setAttributes({}, {0, 13});
  EXPECT_EQ(describe(m), "plainboldital/");

  MutableAttributedString n = base();
  n.deleteCharactersInRange({5, 4});
  n.insertAttributedString(AttributedString(make(u"ITAL"), italic()), 5);
  EXPECT_EQ(describe(n), "plain/|ITALital/i");
  n.replaceCharactersInRange({0, 5}, AttributedString(make(u"x"), bold()));
  EXPECT_EQ(describe(n), "x/b|ITALital/i");
  n.setAttributedString(AttributedString(make(u"neu")));
  EXPECT_EQ(describe(n), "neu/");
}

// Edits read their argument before they change the text, and a copy owns
// its own text.
TEST_P(AttributedStringEdits, AppendingItselfAndCopies) {
  MutableAttributedString m = base();
  const String text = m.string();
  MutableAttributedString copy = m.mutableCopy();
  copy.replaceCharactersInRange({0, 5}, make(u"P"));
  copy.setAttributes(bold(), {0, 1});
  EXPECT_EQ(describe(copy), "Pbold/b|ital/i");
  m.appendAttributedString(m);  // untouched by the copy's edits
  EXPECT_EQ(describe(m), "plain/|bold/b|ital/i|plain/|bold/b|ital/i");
  m.replaceCharactersInRange({0, m.length()}, m);
  EXPECT_EQ(m.length(), 26u);
  EXPECT_EQ(describe(copy), "Pbold/b|ital/i");
  EXPECT_EQ(text, String(u"plainboldital"));
}

TEST_P(AttributedStringEdits, RangesOutsideTheTextRaise) {
  const std::function<void(MutableAttributedString&)> edits[] = {
      [](auto& m) { m.replaceCharactersInRange(NSMakeRange(12, 2), String(u"x")); },
      [](auto& m) { m.replaceCharactersInRange(NSMakeRange(14, 0), AttributedString(u"x")); },
      [](auto& m) { m.insertAttributedString(AttributedString(u"x"), 14); },
      [](auto& m) { m.deleteCharactersInRange(NSMakeRange(NSNotFound, 1)); },
      [](auto& m) { m.setAttributes(bold(), NSMakeRange(1, NSNotFound)); },
      [](auto& m) { (void)m.attributesAtIndex(13, nullptr); },
      [](auto& m) { (void)m.attributedSubstringFromRange(NSMakeRange(13, 1)); },
      [](auto& m) { (void)m.RTFFromRange(NSMakeRange(0, 14), nullptr); },
      [](auto& m) { (void)m.RTFDFromRange(NSMakeRange(14, 0), nullptr); },
  };
  for (const auto& edit : edits) {
    MutableAttributedString m = base();
    try {
      edit(m);
      ADD_FAILURE() << "no exception";
    } catch (const PlatformException& e) {
      EXPECT_EQ(e.name(), NSRangeException);
    }
    EXPECT_EQ(describe(m), "plain/|bold/b|ital/i");
  }
}

TEST_P(AttributedStringEdits, AttributesAndSubstrings) {
  const MutableAttributedString m = base();
  NSRange run;
  EXPECT_TRUE(m.attributesAtIndex(5, &run).bold);
  EXPECT_EQ(run, (NSRange{5, 4}));
  EXPECT_TRUE(m.attributesAtIndex(12, &run).italic);
  EXPECT_EQ(run, (NSRange{9, 4}));
  EXPECT_EQ(describe(m.attributedSubstringFromRange({3, 8})), "in/|bold/b|it/i");
  EXPECT_EQ(describe(m.attributedSubstringFromRange({6, 0})), "");
  EXPECT_TRUE(m.string().isIdenticalTo(m.string()));
}

INSTANTIATE_FORMS(AttributedStringEdits);

TEST(AttributedString, WithRunsChecksTiling) {
  const TextAttributes b = bold();
  struct Case {
    std::vector<AttributeRun> runs;
    const char* result;  // nullptr: rejected
  };
  const Case cases[] = {
      {{{{0, 2}, b}, {{2, 2}, {}}}, "ab/b|cd/"},
      {{{{0, 1}, b}, {{1, 0}, {}}, {{1, 3}, b}}, "abcd/b"},  // empty dropped, equals merged
      {{{{0, 4}, {}}}, "abcd/"},
      {{{{0, 2}, b}}, nullptr},               // gap at the end
      {{{{0, 2}, b}, {{3, 1}, b}}, nullptr},  // gap inside
      {{{{0, 3}, b}, {{2, 2}, b}}, nullptr},  // overlap
      {{{{0, 5}, b}}, nullptr},               // past the end
      {{{{1, 3}, b}, {{0, 1}, b}}, nullptr},  // out of order
      {{{{0, NSNotFound}, b}}, nullptr},
  };
  for (const Case& c : cases) {
    const std::optional<AttributedString> s = AttributedString::withRuns(u"abcd", c.runs);
    if (c.result == nullptr) {
      EXPECT_FALSE(s.has_value());
    } else {
      ASSERT_TRUE(s.has_value());
      EXPECT_EQ(describe(*s), c.result);
    }
  }
  EXPECT_TRUE(AttributedString::withRuns(String(), {}).has_value());
}

TEST(AttributedString, WithRunStartsChecksTheStoredForm) {
  const std::vector<TextAttributes> styles = {{}, bold(), bold()};
  struct Case {
    std::vector<RunStart> starts;
    const char* result;  // nullptr: rejected
  };
  const Case cases[] = {
      {{{0, 0}, {2, 1}}, "ab/|cd/b"},
      {{{0, 1}, {1, 2}, {3, 0}}, "abc/b|d/"},  // equal styles merge, whatever their index
      {{{0, 0}, {3, 0}}, "abcd/"},
      {{{0, 0}, {4, 1}}, nullptr},  // a run past the end
      {{{0, 0}, {3, 3}}, nullptr},  // no such style
      {{{1, 0}}, nullptr},          // the text's start has no run
      {{{0, 0}, {2, 1}, {2, 0}}, nullptr},
      {{}, nullptr},
  };
  for (const Case& c : cases) {
    const std::optional<AttributedString> s =
        AttributedString::withRunStarts(u"abcd", styles, c.starts);
    ASSERT_EQ(s.has_value(), c.result != nullptr) << (c.result ? c.result : "rejected");
    if (s) {
      EXPECT_EQ(describe(*s), c.result);
    }
  }
  EXPECT_EQ(AttributedString::withRunStarts(String(), {}, {})->length(), 0u);
}

TEST(AttributedString, EquivalentStylesAreOneStyle) {
  TextAttributes emptyName;
  emptyName.fontName = String(u"");
  emptyName.fontSize = -3;
  MutableAttributedString m;
  m.appendString(u"a", {});
  m.appendString(u"b", emptyName);
  EXPECT_EQ(describe(m), "ab/");
  EXPECT_EQ(AttributedString(String()).length(), 0u);
  EXPECT_FALSE(AttributedString(String()).string().isNil());
}

TEST(AttributedString, ContainsAttachments) {
  TextAttachment file{u"a.txt", "hallo"};
  MutableAttributedString m(AttributedString(u"x\uFFFCy"));
  EXPECT_FALSE(m.containsAttachments());  // the character alone is not an attachment
  TextAttributes onText;
  onText.attachment = std::make_shared<const TextAttachment>(file);
  m.setAttributes(onText, {0, 1});
  EXPECT_FALSE(m.containsAttachments());  // an attachment on other text does not count
  m.appendAttributedString(AttributedString::withAttachment(file));
  EXPECT_TRUE(m.containsAttachments());
  // Typing after an attachment does not extend it.
  m.replaceCharactersInRange({m.length(), 0}, String(u"z"));
  EXPECT_EQ(describe(m), "x/a|\uFFFCy/|\uFFFC/a|z/");
  EXPECT_TRUE(AttributedString::withAttachment(file) == AttributedString::withAttachment(file));
  EXPECT_FALSE(AttributedString::withAttachment(file) ==
               AttributedString::withAttachment({u"a.txt", "other"}));
}

}  // namespace
}  // namespace orvin
