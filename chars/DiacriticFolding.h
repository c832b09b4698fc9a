// Diacritic folding: the one way the library removes accents, shared by the
// umlauts conversion table and by MutableString::foldDiacritics.
//
// The fold is: canonical decomposition (NFD), then every nonspacing mark
// (general category Mn) removed, then canonical composition (NFC). Letters
// without a canonical decomposition ("ø", "ß", "ł") keep their form.
#pragma once

#include <string>
#include <string_view>

#include "chars/Export.h"
#include "chars/Types.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// `text` with its diacritics removed. Unpaired surrogates pass through. When
// ICU cannot do the work (out of memory, missing data) the text comes back
// unchanged.
//   foldDiacritics(u"Crème Brûlée")  // u"Creme Brulee"
//   foldDiacritics(u"Øre")           // u"Øre"
[[nodiscard]] std::u16string foldDiacritics(std::u16string_view text);

// The fold of the single code unit `c` when that fold is exactly one code
// unit, else `c` itself (a lone mark folds to nothing and so keeps itself).
// Gives what foldDiacritics gives for the one-unit text, only faster.
//   foldDiacriticsOfCodeUnit(u'É')  // u'E'
//   foldDiacriticsOfCodeUnit(u'ß')  // u'ß'
[[nodiscard]] unichar foldDiacriticsOfCodeUnit(unichar c) noexcept;

}  // namespace orvin
ORVIN_PUBLIC_END
