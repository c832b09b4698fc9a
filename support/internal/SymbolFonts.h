// Symbol fonts in rich text: fonts whose bytes stand for pictures rather
// than letters (Symbol's "a" is an alpha, Wingdings' 0xA7 a small square).
// Writers put them in as bytes of the font or as the private-use twins
// U+F020-U+F0FF that Windows gives such fonts.
#pragma once

#include <string_view>

namespace orvin::detail {

enum class SymbolFont : unsigned char { None, Symbol, Wingdings };

// The kind of a font from its name and \fcharset (2: symbol); names are
// compared without case and spaces. Symbol, OpenSymbol and any charset-2
// font read as Symbol.
//   symbolFontFor(u"Wingdings", 2)  // SymbolFont::Wingdings
[[nodiscard]] SymbolFont symbolFontFor(std::u16string_view name, int charset);

// The Unicode character of `code` (a byte 0x20-0xFF or its twin
// U+F020-U+F0FF) in `font`; any other code comes back unchanged.
//   symbolCharacter(SymbolFont::Symbol, 0xF0B7)  // U+2022 BULLET
[[nodiscard]] char32_t symbolCharacter(SymbolFont font, unsigned code);

}  // namespace orvin::detail
