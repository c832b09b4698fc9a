#include "chars/internal/CaseFolding.h"

#include <unicode/uchar.h>

#include "chars/WorkMemory.h"
#include "chars/internal/LazyCache.h"

namespace orvin::detail {
namespace {

unichar* buildCaseFoldTable() noexcept {
  constexpr std::size_t kEntries = 65536;
  auto* table = static_cast<unichar*>(allocateWorkMemory(kEntries * sizeof(unichar)));
  if (table == nullptr) return nullptr;
  for (std::size_t c = 0; c < kEntries; ++c) {
    const auto unit = static_cast<unichar>(c);
    table[c] = U16_IS_SURROGATE(unit) ? unit : static_cast<unichar>(foldCodePoint(unit));
  }
  return table;
}

void discardTable(unichar* table) {
  releaseWorkMemory(table);
}

}  // namespace

UChar32 foldCodePoint(UChar32 c) noexcept {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
  const UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
  return U16_LENGTH(folded) == U16_LENGTH(c) ? folded : c;
}

const unichar* caseFoldTable() noexcept {
  static LazyCache<unichar> cache;
  return cache.get(buildCaseFoldTable, discardTable);
}

}  // namespace orvin::detail
