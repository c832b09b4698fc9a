// RTF reader: turns the rich text desktop applications put on clipboards into
// attributed text.
//
// Read: text in groups, paragraphs (\par, \sect and table cells as "\n",
// \line as U+2028, \page as U+000C, \tab), Unicode (\uN with its \ucN
// fallback skipped, negative and paired values), bytes (\'hh and raw bytes)
// in the code page of the current font's charset or the document's
// (\ansicpgN, \ansi, \mac, \pc, \pca; cp1252 when unknown), the named
// symbols (\emdash, \lquote, \~, \-, \_ ...), field results, and the styles
// \b \i \ul... \ulnone \fsN \fN \plain; hidden text (\v) is dropped.
// Skipped: every {\*\...} destination we do not know, and the font table's
// neighbours that hold no text (\colortbl, \stylesheet, \info, \pict,
// headers, footers, field instructions, list tables, shapes, ...).
//
// Hostile input never crashes or hangs it: nesting beyond kRtfMaxGroupDepth
// keeps reading without new scopes, numbers saturate, truncated escapes are
// dropped, a missing closing brace ends the text where the data ends, and
// anything after the closing brace of the document is ignored.
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

// Groups nested deeper than this share the scope of the deepest one.
inline constexpr std::size_t kRtfMaxGroupDepth = 256;

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

}  // namespace orvin
ORVIN_PUBLIC_END
