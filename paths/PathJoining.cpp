#include "paths/internal/PathJoining.h"

#include <string>

namespace orvin::detail {

String joinPath(const String& folder, const String& component) {
  if (folder.isNil()) return String();
  std::u16string part = component.toU16String();
  const std::size_t first = part.find_first_not_of(u'/');
  if (first == std::u16string::npos) return folder;
  part = part.substr(first, part.find_last_not_of(u'/') - first + 1);

  std::u16string joined = folder.toU16String();
  while (joined.size() > 1 && joined.back() == u'/') joined.pop_back();
  if (!joined.empty() && joined.back() != u'/') joined.push_back(u'/');
  joined += part;
  return String(joined);
}

}  // namespace orvin::detail
