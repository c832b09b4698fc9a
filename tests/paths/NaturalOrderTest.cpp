#include "paths/NaturalOrder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/StorageForms.h"

namespace orvin {
namespace {

using test::textOf;

using Compare = NSInteger (*)(const String&, const String&);
const Compare kCompares[] = {compareWithLastPathComponent,
                             caseInsensitiveCompareWithLastPathComponent,
                             nonUmlautedCaseInsensitiveCompareWithLastPathComponent};

int signOf(NSInteger v) {
  return (v > 0) - (v < 0);
}

class NaturalOrder : public test::FormTest {};

TEST_P(NaturalOrder, Cases) {
  struct Case {
    std::u16string a, b;
    int sensitive, insensitive, nonUmlauted;  // signs
  };
  const Case cases[] = {
      {u"file9", u"file10", -1, -1, -1},
      {u"abc", u"abcd", -1, -1, -1},
      {u"b", u"a", 1, 1, 1},
      {u"a01b", u"a1b", 1, 1, 1},
      {u"a01", u"a1b", -1, -1, -1},   // runs out first, whatever the zeros
      {u"a01b1", u"a1b01", 1, 1, 1},  // the first run with more zeros decides
      {u"", u"xyz", -1, -1, -1},
      {u"File2", u"file10", -1, -1, -1},
      {u"file", u"File", 1, 0, 0},
      {u"\u00C9t\u00E92", u"ete10", 1, 1, -1},
      {u"f18446744073709551616", u"f1", 1, 1, 1},  // no 64-bit wrap
      {u"f18446744073709551616", u"f18446744073709551617", -1, -1, -1},
      {u"x-1", u"x1", -1, -1, -1},  // "-" lies below the digits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.a) + " vs " + test::utf8(c.b));
    const int expected[] = {c.sensitive, c.insensitive, c.nonUmlauted};
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(signOf(kCompares[k](make(c.a), makeOther(c.b))), expected[k]) << k;
      EXPECT_EQ(signOf(kCompares[k](makeOther(c.b), make(c.a))), -expected[k]) << k;
    }
  }
  EXPECT_EQ(compareWithLastPathComponent(make(u"abc"), make(u"abcd")), -1);
  EXPECT_EQ(compareWithLastPathComponent(make(u""), make(u"xyz")), -3);
  EXPECT_EQ(compareWithLastPathComponent(make(u"a"), String()), -1);
  EXPECT_EQ(compareWithLastPathComponent(String(), make(u"a")), 1);
  EXPECT_EQ(compareWithLastPathComponent(String(), String()), 0);
}

// A sort needs an order: antisymmetric, transitive, and (case-sensitive)
// 0 only for equal strings. Random strings over an alphabet that mixes
// digits, zeros, letters of both cases and accents make the runs collide.
TEST_P(NaturalOrder, IsATotalOrder) {
  std::mt19937 random(20261207);
  const std::u16string alphabet = u"0019aAbB.-_\u00E9\u00C9";
  std::vector<String> strings;
  for (int i = 0; i < 120; ++i) {
    std::u16string s;
    const int length = static_cast<int>(random() % 7);
    for (int k = 0; k < length; ++k) s += alphabet[random() % alphabet.size()];
    strings.push_back(i % 2 == 0 ? make(s) : makeOther(s));
  }
  for (Compare compare : kCompares) {
    const std::size_t n = strings.size();
    std::vector<std::vector<int>> order(n, std::vector<int>(n));
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) order[i][j] = signOf(compare(strings[i], strings[j]));
    }
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = 0; j < n; ++j) {
        ASSERT_EQ(order[i][j], -order[j][i]);
        ASSERT_TRUE(compare != kCompares[0] || (order[i][j] == 0) == (strings[i] == strings[j]));
        for (std::size_t k = 0; k < n; ++k) {
          ASSERT_TRUE(order[i][j] > 0 || order[j][k] > 0 || order[i][k] <= 0)
              << test::utf8(textOf(strings[i])) << " " << test::utf8(textOf(strings[j])) << " "
              << test::utf8(textOf(strings[k]));
        }
      }
    }
  }
}

INSTANTIATE_FORMS(NaturalOrder);

}  // namespace
}  // namespace orvin
