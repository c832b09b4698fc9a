#include "support/formats/RtfWriter.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "chars/PlatformException.h"
#include "support/internal/SymbolFonts.h"

namespace orvin {
namespace {

void appendNumber(std::string& out, long long n) {
  out += std::to_string(n);
}

long long twips(double points) {
  return std::llround(std::clamp(points, 0.0, 1.0e8) * 20.0);
}

// Writes one code unit of text. `previous` is the unit before it, so that a
// "\r\n" pair ends one paragraph, not two. In a symbol font every printable
// ASCII character goes as \uN: a reader takes that font's bytes as its
// pictures (Symbol's "a" is an alpha).
void appendCharacter(std::string& out, char16_t c, char16_t previous, bool symbolFont = false) {
  if (symbolFont && c >= 0x20 && c < 0x7F) {
    out += "\\u";
    appendNumber(out, c);
    out += '?';
    return;
  }
  switch (c) {
    case u'\\':
    case u'{':
    case u'}':
      out += '\\';
      out += static_cast<char>(c);
      return;
    case u'\n':
      if (previous != u'\r') out += "\\par\n";
      return;
    case u'\r':
    case u'\u2029':
      out += "\\par\n";
      return;
    case u'\u2028':
      out += "\\line ";
      return;
    case u'\t':
      out += "\\tab ";
      return;
    case u'\f':
      out += "\\page ";
      return;
    case u'\u00A0':
      out += "\\~";
      return;
    case u'\u00AD':
      out += "\\-";
      return;
    case u'\u2011':
      out += "\\_";
      return;
    default:
      break;
  }
  if (c >= 0x20 && c < 0x7F) {
    out += static_cast<char>(c);
    return;
  }
  out += "\\u";
  appendNumber(out, static_cast<short>(c));
  if (c >= 0xA1 && c <= 0xFF) {
    // cp1252 agrees with Latin-1 here, so old readers still get the letter.
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\'";
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
  } else {
    out += '?';
  }
}

void appendText(std::string& out, std::u16string_view text) {
  char16_t previous = 0;
  for (char16_t c : text) {
    appendCharacter(out, c, previous);
    previous = c;
  }
}

}  // namespace

std::optional<std::string> writeRTF(const AttributedString& text, NSRange range,
                                    const DocumentAttributes* documentAttributes,
                                    const RtfAttachmentNamer& namer) {
  if (!rangeFitsLength(range, text.length())) {
    raiseRangeException("RTFFromRange", range.location, range.length, text.length());
  }
  try {
    const std::u16string units = text.string().substring(range).toU16String();
    struct Piece {
      NSRange range;  // within `units`
      TextAttributes attributes;
    };
    std::vector<Piece> pieces;
    std::vector<String> fonts;
    for (const AttributeRun& run : text.runs()) {
      const NSUInteger start = std::max(run.range.location, range.location);
      const NSUInteger end = std::min(NSMaxRange(run.range), NSMaxRange(range));
      if (start >= end) continue;
      pieces.push_back(Piece{NSRange{start - range.location, end - start}, run.attributes});
      const String& name = run.attributes.fontName;
      if (!name.isEmpty() && std::find(fonts.begin(), fonts.end(), name) == fonts.end()) {
        fonts.push_back(name);
      }
    }

    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\uc1";
    if (!fonts.empty()) {
      out += "{\\fonttbl";
      for (std::size_t i = 0; i < fonts.size(); ++i) {
        out += "{\\f";
        appendNumber(out, static_cast<long long>(i));
        out += "\\fnil\\fcharset0 ";
        std::u16string name = fonts[i].toU16String();
        std::erase(name, u';');  // it ends the name; nothing escapes it
        appendText(out, name);
        out += ";}";
      }
      out += "}";
    }
    if (const DocumentAttributes* d = documentAttributes) {
      const std::pair<const char*, const std::optional<double>*> sizes[] = {
          {"\\paperw", &d->paperWidth}, {"\\paperh", &d->paperHeight},
          {"\\margl", &d->leftMargin},  {"\\margr", &d->rightMargin},
          {"\\margt", &d->topMargin},   {"\\margb", &d->bottomMargin},
      };
      for (const auto& [word, value] : sizes) {
        if (!value->has_value() || !std::isfinite(**value)) continue;
        out += word;
        appendNumber(out, twips(**value));
      }
    }
    out += '\n';

    char16_t previous = 0;
    for (const Piece& piece : pieces) {
      const TextAttributes& a = piece.attributes;
      const auto fontIt =
          a.fontName.isEmpty() ? fonts.end() : std::find(fonts.begin(), fonts.end(), a.fontName);
      const bool sized = a.fontSize > 0 && std::isfinite(a.fontSize);
      const bool styled = a.bold || a.italic || a.underline || sized || fontIt != fonts.end();
      const bool symbolFont =
          fontIt != fonts.end() &&
          detail::symbolFontFor(fontIt->toU16String(), 0) != detail::SymbolFont::None;
      if (styled) {
        out += '{';
        if (a.bold) out += "\\b";
        if (a.italic) out += "\\i";
        if (a.underline) out += "\\ul";
        if (sized) {
          out += "\\fs";
          appendNumber(
              out, std::clamp<long long>(std::llround(std::min(a.fontSize, 1.0e6) * 2), 1, 32767));
        }
        if (fontIt != fonts.end()) {
          out += "\\f";
          appendNumber(out, fontIt - fonts.begin());
        }
        out += ' ';
      }
      for (NSUInteger i = piece.range.location; i < NSMaxRange(piece.range); ++i) {
        const char16_t c = units[i];
        if (c == NSAttachmentCharacter && a.attachment != nullptr && namer) {
          const String name = namer(*a.attachment);
          if (!name.isNil()) {
            out += "{\\*\\orvinattachment ";
            appendText(out, name.toU16String());
            out += '}';
          }
        }
        appendCharacter(out, c, previous, symbolFont);
        previous = c;
      }
      if (styled) out += '}';
    }
    out += '}';
    return out;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace orvin
