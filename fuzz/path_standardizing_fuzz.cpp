// Standardizing is idempotent, keeps an absolute path absolute and never
// leaves a ".." in one (nothing climbs above "/"), and agrees between the
// two storage forms. The input is read as UTF-16 and, separately, as
// Latin-1 text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "paths/PathComponents.h"
#include "paths/PathLocations.h"

namespace {

void check(const orvin::String& path) {
  using namespace orvin;
  const String standard = standardizedPath(path);
  if (standard.isNil()) std::abort();
  if (!(standardizedPath(standard) == standard)) std::abort();
  const bool absolute = !path.isEmpty() && path.characterAtIndex(0) == u'/';
  if (absolute) {
    const std::u16string text = standard.toU16String();
    if (text.empty() || text[0] != u'/') std::abort();
    if (text == u"/..") std::abort();
    if (text.find(u"/../") != std::u16string::npos) std::abort();
    if (text.size() >= 3 && text.compare(text.size() - 3, 3, u"/..") == 0) std::abort();
    if (text.size() > 1 && text.back() == u'/') std::abort();
    if (text.find(u"//") != std::u16string::npos) std::abort();
    // Whatever it names lies inside the root's tree, and inside itself.
    if (standard.length() > 1 && !pathIsInDirectory(path, standard)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvin;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const String latin1 = String::withLatin1(bytes);
  check(latin1);
  const String utf16(latin1.toU16String());
  check(utf16);
  if (!(standardizedPath(latin1) == standardizedPath(utf16))) std::abort();

  std::u16string units(size / 2, u'\0');
  for (std::size_t i = 0; i + 1 < size; i += 2)
    units[i / 2] = static_cast<char16_t>(data[i] | data[i + 1] << 8);
  check(String(units));
  return 0;
}
