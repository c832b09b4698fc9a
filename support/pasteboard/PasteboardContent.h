// Rich text, plain text and images on a pasteboard, each read or written in
// one call, and the file extension that goes with a pasteboard type.
//
// Writers declare their one type themselves (declaring empties the
// pasteboard) and leave the pasteboard untouched when they produce no
// data. The readers stand in a guard: a PlatformException raised while
// reading is logged (NSLogGuardedException) and answered with nothing.
#pragma once

#include <optional>

#include "chars/Export.h"
#include "chars/String.h"
#include "support/formats/AttributedString.h"
#include "support/pasteboard/Image.h"
#include "support/pasteboard/Pasteboard.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The rich text of the first offered of NSRTFDPboardType and
// NSRTFPboardType; nullopt for a null pasteboard, neither type, no data or
// data that does not read.
//   attributedStringFromPasteboard(&pb)->string()
[[nodiscard]] std::optional<AttributedString> attributedStringFromPasteboard(
    Pasteboard* pasteboard);

// Writes the whole text as RTFD under NSRTFDPboardType when it holds
// attachments, else as RTF under NSRTFPboardType; false (pasteboard
// untouched) when no data could be produced.
//   copyToPasteboard(AttributedString(u"Grüße"), pb)  // NSRTFPboardType
bool copyToPasteboard(const AttributedString& text, Pasteboard& pasteboard);

// Writes the image's TIFF form (LZW, factor 1) under NSTIFFPboardType;
// false (pasteboard untouched) when the image gives none.
//   copyToPasteboard(image, pb)
bool copyToPasteboard(const Image& image, Pasteboard& pasteboard);

// The text of the first offered of NSStringPboardType,
// NSTabularTextPboardType and NSHTMLPboardType; nil for a null pasteboard,
// none of them, or data that is not UTF-8.
//   stringFromPasteboard(&pb)  // u"hello"
[[nodiscard]] String stringFromPasteboard(Pasteboard* pasteboard);

// Writes `s` under NSStringPboardType; false (pasteboard untouched) for nil.
//   copyToPasteboard(String(u"hello"), pb)
bool copyToPasteboard(const String& s, Pasteboard& pasteboard);

// The file extension for a pasteboard type, matched exactly (case
// included), or nil: "tiff", "png", "jp2", "jpeg", "pdf", "ps", "html",
// "rtf", "rtfd", "txt", "csv", "vcf", "url" and "webarchive" for the
// platform's types and their "public." names, and the same for the
// desktop's MIME names text/plain, text/rtf, text/html, text/uri-list and
// image/png.
//   fileTypeForPboardType(u"public.url")  // u"url"
//   fileTypeForPboardType(u"PUBLIC.URL")  // nil
[[nodiscard]] String fileTypeForPboardType(const String& type);

}  // namespace orvin
ORVIN_PUBLIC_END
