// Test support: a real German C library locale, compiled into a private
// folder (LOCPATH) when the system has none.
#pragma once

#include <clocale>
#include <cstdlib>
#include <string>

namespace orvin::test {

// Sets `category` to de_DE.UTF-8; false when no such locale can be had.
inline bool useGermanLocale(int category) {
  if (std::setlocale(category, "de_DE.UTF-8") != nullptr) return true;
  // localedef answers non-zero for mere warnings: judge by what it wrote.
  const std::string made = "/tmp/orvin-test-locales/de_DE.UTF-8";
  const std::string script = "test -f " + made + "/LC_NUMERIC || { mkdir -p " + made +
                             " && localedef -i de_DE -f UTF-8 " + made +
                             " >/dev/null 2>&1; test -f " + made + "/LC_NUMERIC; }";
  if (std::system(script.c_str()) != 0) return false;
  ::setenv("LOCPATH", "/tmp/orvin-test-locales", 1);
  return std::setlocale(category, "de_DE.UTF-8") != nullptr;
}

}  // namespace orvin::test
