// Drives the user-dirs.dirs reader over arbitrary file content.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "paths/internal/UserDirs.h"

using namespace orvin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  for (const char* key : {"XDG_DESKTOP_DIR", "XDG_DOWNLOAD_DIR"}) {
    const String folder = detail::userDirFromContent(content, key, u"/home/u");
    // Whatever is accepted is an absolute path.
    if (!folder.isNil() && (folder.isEmpty() || folder.characterAtIndex(0) != u'/')) std::abort();
  }
  return 0;
}
