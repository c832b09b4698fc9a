#include "support/UserLocale.h"

#include <gtest/gtest.h>

namespace orvin {
namespace {

TEST(UserLocale, FirstSetVariableWinsAndIsTrimmedToALocaleName) {
  const struct {
    const char* lcAll;
    const char* lcTime;
    const char* lang;
    const char* expected;
  } cases[] = {
      {nullptr, nullptr, nullptr, "en_US"},
      {"", "", "", "en_US"},
      {"C", "de_DE", "fr_FR", "en_US"},
      {"POSIX", nullptr, nullptr, "en_US"},
      {"C.UTF-8", "de_DE", nullptr, "en_US"},
      {nullptr, nullptr, "de_DE.UTF-8", "de_DE"},
      {"", "", "de_DE.UTF-8", "de_DE"},
      {"fr_FR.UTF-8", "de_DE", "it_IT", "fr_FR"},
      {nullptr, "de_DE.UTF-8@euro", "fr_FR", "de_DE"},
      {nullptr, nullptr, "sr_RS@latin", "sr_RS"},
      {nullptr, nullptr, "en", "en"},
      {nullptr, nullptr, ".UTF-8", "en_US"},
      {nullptr, nullptr, "/usr/share/i18n/locales/de", "en_US"},
      {nullptr, nullptr, "de DE", "en_US"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(localeFromEnvironment(c.lcAll, c.lcTime, c.lang), c.expected)
        << (c.lcAll ? c.lcAll : "-") << " " << (c.lcTime ? c.lcTime : "-") << " "
        << (c.lang ? c.lang : "-");
  }
  EXPECT_EQ(localeFromEnvironment(nullptr, nullptr, std::string(300, 'a').c_str()), "en_US");
}

}  // namespace
}  // namespace orvin
