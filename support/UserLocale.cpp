#include "support/UserLocale.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace orvin {
namespace {

constexpr const char* kFallbackLocale = "en_US";
// ICU's limit for a full locale id; anything longer is not a locale name.
constexpr std::size_t kMaxLocaleName = 156;

bool isPlainLocaleChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

}  // namespace

std::string localeFromEnvironment(const char* lcAll, const char* lcTime, const char* lang) {
  std::string_view chosen;
  for (const char* value : {lcAll, lcTime, lang}) {
    if (value != nullptr && *value != '\0') {
      chosen = value;
      break;
    }
  }
  chosen = chosen.substr(0, chosen.find_first_of(".@"));
  if (chosen.empty() || chosen == "C" || chosen == "POSIX" || chosen.size() > kMaxLocaleName ||
      !std::all_of(chosen.begin(), chosen.end(), isPlainLocaleChar)) {
    return kFallbackLocale;
  }
  return std::string(chosen);
}

std::string currentLocaleIdentifier() {
  return localeFromEnvironment(std::getenv("LC_ALL"), std::getenv("LC_TIME"), std::getenv("LANG"));
}

}  // namespace orvin
