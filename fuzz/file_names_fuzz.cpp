// Any text becomes a file name of at most 249 UTF-8 bytes (below Linux's
// 255) with no "/" and no U+0000, with or without an extension; the name
// always has its strict file-system form. The first input byte picks the
// extension's length, the rest is UTF-16 text.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "paths/FileNames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvin;
  if (size == 0) return 0;
  std::u16string units((size - 1) / 2, u'\0');
  for (std::size_t i = 1; i + 1 < size; i += 2) {
    units[(i - 1) / 2] = static_cast<char16_t>(data[i] | data[i + 1] << 8);
  }
  const String text(units);
  const std::size_t extensionLength = std::min<std::size_t>(data[0] % 24, units.size());
  const String extension(units.substr(0, extensionLength));

  const String filename = stringByCreatingFilename(text);
  if (filename.isNil()) std::abort();
  for (const String& name :
       {stringByCreatingFileSystemRepresentation(filename),
        stringByCreatingFileSystemRepresentationByAppendingExtension(filename, extension)}) {
    if (name.isNil()) std::abort();
    const std::optional<std::string> bytes = fileSystemRepresentation(name, 250);
    if (!bytes) std::abort();
    if (bytes->find('/') != std::string::npos || bytes->find('\0') != std::string::npos) {
      std::abort();
    }
  }
  // Cutting alone never breaks the byte budget either.
  const String cut = stringByCreatingFileSystemRepresentationByAppendingExtension(text, extension);
  if (cut.isNil() || !fileSystemRepresentation(cut, 250)) std::abort();
  return 0;
}
