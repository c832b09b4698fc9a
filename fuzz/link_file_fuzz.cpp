// Drives the link-file readers (desktop entries and internet shortcuts)
// over arbitrary content, and what they find through the link parser.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "support/pasteboard/NSURL.h"
#include "support/pasteboard/internal/LinkFiles.h"

using namespace orvin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  for (const String& link :
       {detail::linkOfDesktopEntry(content), detail::linkOfInternetShortcut(content)}) {
    // A link is found whole or not at all: never an empty one.
    if (!link.isNil() && link.isEmpty()) std::abort();
    if (const auto url = NSURL::URLWithStringOrPath(link)) {
      // Every part of an accepted link answers, and names it.
      if (url->proposedName().isEmpty() || url->displayString().isEmpty()) std::abort();
      (void)url->path();
      (void)url->absoluteStringOrPath();
    }
  }
  return 0;
}
