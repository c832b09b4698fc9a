// The user's locale, as the POSIX locale variables name it, in ICU's form.
// Date (and later number) formatting renders in this locale.
#pragma once

#include <string>

#include "chars/Export.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The ICU locale id for time formatting from the values of LC_ALL, LC_TIME
// and LANG (nullptr for an unset variable): the first set, non-empty one
// wins; its codeset (".UTF-8") and modifier ("@euro") are dropped. "C",
// "POSIX", a value that is not a plain locale name, and no value at all
// give "en_US".
//   localeFromEnvironment(nullptr, "de_DE.UTF-8@euro", "fr_FR")  // "de_DE"
//   localeFromEnvironment("C.UTF-8", "de_DE", nullptr)          // "en_US"
[[nodiscard]] std::string localeFromEnvironment(const char* lcAll, const char* lcTime,
                                                const char* lang);

// localeFromEnvironment() over this process's environment.
//   currentLocaleIdentifier()  // "de_DE" under LANG=de_DE.UTF-8
[[nodiscard]] std::string currentLocaleIdentifier();

}  // namespace orvin
ORVIN_PUBLIC_END
