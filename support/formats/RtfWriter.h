// RTF writer: attributed text as RTF that RtfReader.h, word processors and
// the platform read back to the same characters and styles.
//
// Shape of the output: "{\rtf1\ansi\ansicpg1252\uc1", a font table when
// runs name fonts, paper and margins when given, then the text. Printable
// ASCII is written as is (with \\, \{ and \} escaped); everything else as
// \uN (signed 16-bit, surrogate pairs as two) followed by a one-byte
// fallback: the cp1252 byte for Latin-1 letters, "?" otherwise. "\n",
// U+2029 and "\r" (a "\r\n" pair once) become \par, U+2028 \line, tab
// \tab, U+000C \page, U+00A0 \~, U+00AD \-, U+2011 \_. Each styled run is
// one group: {\b\i\ul\fsN\fN text}. Sizes are written in half points.
//
// Attachments: with a namer (RTFD), a U+FFFC carrying an attachment is
// written as {\*\orvinattachment NAME}\u65532? where NAME is the entry the
// namer gave it; readers that do not know the reference skip it and keep
// the U+FFFC. Without a namer only the U+FFFC is written.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "chars/Export.h"
#include "support/formats/AttributedString.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Gives the RTFD entry name an attachment is stored under (nil: write no
// reference).
using RtfAttachmentNamer = std::function<String(const TextAttachment&)>;

// RTF bytes of `range` of `text`. Paper size and margins come from
// *documentAttributes when given (other fields are not written). nullopt
// when memory runs out; NSRangeException when the range does not fit.
//   writeRTF(AttributedString(u"Grüße"), {0, 5}, nullptr)
//   // "{\rtf1\ansi\ansicpg1252\uc1\nGr\u252\'fc\u223\'dfe}"
[[nodiscard]] std::optional<std::string> writeRTF(const AttributedString& text, NSRange range,
                                                  const DocumentAttributes* documentAttributes,
                                                  const RtfAttachmentNamer& namer = {});

}  // namespace orvin
ORVIN_PUBLIC_END
