// Test support: switch the C library's locale categories to a real German
// locale, compiling one into a private folder (LOCPATH) when the system has
// none installed.
#pragma once

#include <clocale>
#include <cstdlib>
#include <string>

namespace orvin::test {

// Sets `category` to de_DE.UTF-8 and answers true, or answers false when no
// such locale can be had (the caller then skips).
inline bool useGermanLocale(int category) {
  if (std::setlocale(category, "de_DE.UTF-8") != nullptr) return true;
  const std::string folder = "/tmp/orvin-test-locales";
  // localedef answers non-zero for mere warnings: judge by what it wrote.
  const std::string made = folder + "/de_DE.UTF-8";
  if (std::system(("test -f " + made + "/LC_NUMERIC || { mkdir -p " + folder +
                   " && localedef -i de_DE -f UTF-8 " + made + " >/dev/null 2>&1; test -f " + made +
                   "/LC_NUMERIC; }")
                      .c_str()) != 0) {
    return false;
  }
  ::setenv("LOCPATH", folder.c_str(), 1);
  return std::setlocale(category, "de_DE.UTF-8") != nullptr;
}

// Restores a category's locale when the test ends.
class LocaleRestorer {
 public:
  explicit LocaleRestorer(int category) : category_(category) {
    const char* now = std::setlocale(category, nullptr);
    saved_ = now != nullptr ? now : "C";
  }
  ~LocaleRestorer() { std::setlocale(category_, saved_.c_str()); }
  LocaleRestorer(const LocaleRestorer&) = delete;
  LocaleRestorer& operator=(const LocaleRestorer&) = delete;

 private:
  int category_;
  std::string saved_;
};

}  // namespace orvin::test
