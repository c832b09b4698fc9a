// The library's own translated texts: the gettext domain "orvin", apart
// from the application's catalogue.
#pragma once

#include "chars/String.h"

namespace orvin::detail {

// The name of the library's text domain.
inline constexpr const char* kLibraryTextDomain = "orvin";

// The translation of `english` in the library's domain for the process's
// LC_MESSAGES locale (and LANGUAGE), or `english` itself.
//   libraryText("%d bytes")  // u"%d Bytes" in German
[[nodiscard]] String libraryText(const char* english);

// Where the catalogues are looked for (folder/LANG/LC_MESSAGES/orvin.mo):
// $ORVIN_LOCALEDIR when set, else the installed locale folder. Setting it
// here overrides both; the build tree's tests point it at their catalogue.
void bindLibraryTexts(const char* folder);

}  // namespace orvin::detail
