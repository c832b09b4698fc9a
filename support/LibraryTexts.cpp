#include "support/internal/LibraryTexts.h"

#include <libintl.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#ifndef ORVIN_LOCALEDIR
#define ORVIN_LOCALEDIR "/usr/local/share/locale"
#endif

namespace orvin::detail {
namespace {

std::once_flag bound;

void bindOnce(const char* folder) {
  std::call_once(bound, [folder] {
    const char* fromEnvironment = std::getenv("ORVIN_LOCALEDIR");
    const char* chosen = folder != nullptr                                       ? folder
                         : fromEnvironment != nullptr && *fromEnvironment == '/' ? fromEnvironment
                                                                                 : ORVIN_LOCALEDIR;
    ::bindtextdomain(kLibraryTextDomain, chosen);
    ::bind_textdomain_codeset(kLibraryTextDomain, "UTF-8");
  });
}

}  // namespace

void bindLibraryTexts(const char* folder) {
  bindOnce(folder);
  ::bindtextdomain(kLibraryTextDomain, folder);
}

String libraryText(const char* english) {
  bindOnce(nullptr);
  const char* translated = ::dgettext(kLibraryTextDomain, english);
  String text = String::withUtf8(translated);
  return text.isNil() ? String::withUtf8(english) : text;
}

}  // namespace orvin::detail
