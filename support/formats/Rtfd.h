// RTFD: rich text with its attachments in one block of bytes.
//
// The platform keeps RTFD as a folder (TXT.rtf plus one file per
// attachment) and flattens it for pasteboards. Ours is a container of named
// entries, version 1, all integers unsigned little-endian:
//
//   offset 0   8 bytes  magic "OrvnRTFD"
//   offset 8   4 bytes  version (1)
//   offset 12  4 bytes  entry count N (1 to 65536)
//   then N entries:
//              4 bytes  name length L (1 to 1024)
//              4 bytes  contents length C
//              L bytes  name, UTF-8, no "/" or NUL, not "." or ".."
//              C bytes  contents
//
// Names are unique; exactly one entry is "TXT.rtf", the text as RTF, which
// refers to the other entries by name (see RtfWriter.h). Nothing may follow
// the last entry. A reader rejects other versions, and any length that
// reaches past the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chars/Export.h"
#include "support/formats/AttributedString.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

inline constexpr std::string_view kRtfdMagic = "OrvnRTFD";
inline constexpr std::uint32_t kRtfdVersion = 1;
inline constexpr std::string_view kRtfdTextEntryName = "TXT.rtf";
inline constexpr std::size_t kRtfdMaxEntries = 65536;
inline constexpr std::size_t kRtfdMaxNameBytes = 1024;

struct RtfdEntry {
  std::string name;  // UTF-8
  std::string contents;
  friend bool operator==(const RtfdEntry&, const RtfdEntry&) = default;
};

// The container bytes of `entries`, in their order. nullopt when an entry
// breaks the rules above (the TXT.rtf rule aside) or memory runs out.
//   flattenRTFD({{"TXT.rtf", "{\\rtf1 hi}"}})
[[nodiscard]] std::optional<std::string> flattenRTFD(const std::vector<RtfdEntry>& entries);

// The entries of container bytes. nullopt for a wrong magic or version, a
// truncated or over-long entry, a bad or repeated name, or trailing bytes.
//   unflattenRTFD(*flattenRTFD(entries)) == entries
[[nodiscard]] std::optional<std::vector<RtfdEntry>> unflattenRTFD(std::string_view data);

// Reads RTFD bytes: the TXT.rtf entry as RTF, its attachment references
// resolved to the named entries (file name = entry name). nullopt when the
// container is broken, has no TXT.rtf, or its RTF does not read. Fills
// *documentAttributes on success (documentType "NSRTFD").
//   readRTFD(*writeRTFD(s, {0, s.length()}, nullptr), nullptr) == s
[[nodiscard]] std::optional<AttributedString> readRTFD(std::string_view data,
                                                       DocumentAttributes* documentAttributes);

// The plain characters of RTFD bytes (see readRTFCharacters); nil where
// readRTFD answers nullopt.
//   readRTFDCharacters(rtfdBytes, nullptr)
[[nodiscard]] String readRTFDCharacters(std::string_view data,
                                        DocumentAttributes* documentAttributes);

// RTFD bytes of `range`: TXT.rtf first, then one entry per attachment.
// Entry names come from the attachments' file names, made safe ("/" and NUL
// become "_", an empty name "Attachment") and unique ("a.png", "a 2.png").
// nullopt when memory runs out or an attachment exceeds 4 GiB;
// NSRangeException when the range does not fit.
[[nodiscard]] std::optional<std::string> writeRTFD(const AttributedString& text, NSRange range,
                                                   const DocumentAttributes* documentAttributes);

}  // namespace orvin
ORVIN_PUBLIC_END
