// RTF reader: turns the rich text desktop applications put on clipboards into
// attributed text, or into its plain characters alone.
//
// Read: text in groups, paragraphs (\par, \sect and table cells as "\n",
// \line as U+2028 in attributed text and "\n" in plain characters, \page as
// U+000C, \tab), Unicode (\uN with its \ucN fallback skipped, negative and
// paired values; \upr's \ud twin rather than its ANSI text), bytes (\'hh and
// raw bytes) in the code page of the current font's charset, of the
// associated font (\af) for double-byte characters under \dbch, or the
// document's (\ansicpgN, \ansi, \mac, \pc, \pca; cp1252 when unknown); a
// font's code page that nothing here converts (Johab) gives U+FFFD for each
// non-ASCII character. Symbol fonts (Symbol, OpenSymbol, Wingdings, any
// \fcharset2 font) give the Unicode characters of their bytes and of their
// private-use twins U+F020-U+F0FF; such a twin elsewhere is Symbol's, and a
// bullet in a list marker. Also the named symbols (\emdash, \lquote, \~,
// \-, \_ ...), field results (also after \*), and for fields that stored
// none the text they show (a ruby's base text, a MACROBUTTON's prompt);
// footnote and endnote marks (\chftn) as numbers in the document's style
// (\ftnnar, \aftnnrlc ..., \ftnstartN); the styles \b \i \ul... \ulnone
// \fsN \fN \plain. Hidden text (\v) is dropped.
// Skipped: footnote texts (as word processors' own plain text skips them),
// every {\*\...} destination we do not know, and the font table's
// neighbours that hold no text (\colortbl, \stylesheet, \info, \pict,
// headers, footers, field instructions, list tables, shapes, ...).
//
// Hostile input never crashes or hangs it: groups may nest without limit
// (a group's state is kept only when it changes it), numbers saturate,
// truncated escapes are dropped, a missing closing brace ends the text where
// the data ends, and anything after the closing brace of the document is
// ignored.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "chars/Export.h"
#include "support/formats/AttributedString.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Answers the attachment an RTFD document refers to by entry name, or null.
using RtfAttachmentLookup =
    std::function<std::shared_ptr<const TextAttachment>(const String& entryName)>;

// Reads RTF bytes. nullopt when they do not start with "{\rtf" (after
// optional white space or a UTF-8 byte-order mark) or memory runs out. On
// success fills *documentAttributes when given (documentType "NSRTF", paper
// and margins, the declared code page). An attachment reference
// ({\*\orvinattachment NAME} before a U+FFFC, see RtfWriter.h) is resolved
// through `lookup`; without one the U+FFFC stays a plain character.
// Unpaired surrogates from \uN become U+FFFD.
//   readRTF("{\\rtf1\\ansi {\\b fett} normal\\par}", nullptr)->string()  // u"fett normal\n"
[[nodiscard]] std::optional<AttributedString> readRTF(std::string_view data,
                                                      DocumentAttributes* documentAttributes,
                                                      const RtfAttachmentLookup& lookup = {});

// The plain characters of RTF bytes, as readRTF(...)->string() but with
// \line as "\n" and without building any style run: the cheap read for
// callers that want text only (an attachment's U+FFFC stays). Nil when the
// bytes are not RTF or memory runs out.
//   readRTFCharacters("{\\rtf1 a\\line b}", nullptr)  // u"a\nb"
[[nodiscard]] String readRTFCharacters(std::string_view data,
                                       DocumentAttributes* documentAttributes);

}  // namespace orvin
ORVIN_PUBLIC_END
