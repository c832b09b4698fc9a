#include "support/formats/Rtfd.h"

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <set>

#include "chars/PlatformException.h"
#include "support/formats/RtfReader.h"
#include "support/formats/RtfWriter.h"

namespace orvin {
namespace {

void putU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t getU32(std::string_view data, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) {
    v |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + i])) << (8 * i);
  }
  return v;
}

bool isValidName(std::string_view name) {
  if (name.empty() || name.size() > kRtfdMaxNameBytes || name == "." || name == "..") return false;
  if (name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos) {
    return false;
  }
  return !String::withUtf8(name).isNil();
}

// An entry name for an attachment's file name: valid, and not used yet.
std::string entryNameFor(const String& fileName, std::set<std::string>& used) {
  std::string name = fileName.toUtf8();
  for (char& c : name) {
    if (c == '/' || c == '\0') c = '_';
  }
  // Leave room for " 65536" before the extension; cut on a character start.
  std::size_t limit = kRtfdMaxNameBytes - 16;
  if (name.size() > limit) {
    while (limit > 0 && (static_cast<unsigned char>(name[limit]) & 0xC0) == 0x80) --limit;
    name.resize(limit);
  }
  if (name.empty() || name == "." || name == "..") name = "Attachment";
  std::string candidate = name;
  const std::size_t dot = name.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot > 0;
  const std::string stem = hasExtension ? name.substr(0, dot) : name;
  const std::string extension = hasExtension ? name.substr(dot) : "";
  for (int n = 2; used.count(candidate) != 0; ++n) {
    candidate = stem + " " + std::to_string(n) + extension;
  }
  used.insert(candidate);
  return candidate;
}

}  // namespace

std::optional<std::string> flattenRTFD(const std::vector<RtfdEntry>& entries) {
  if (entries.empty() || entries.size() > kRtfdMaxEntries) return std::nullopt;
  try {
    std::set<std::string_view> names;
    std::size_t total = 16;
    for (const RtfdEntry& e : entries) {
      if (!isValidName(e.name) || !names.insert(e.name).second) return std::nullopt;
      if (e.contents.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
      total += 8 + e.name.size() + e.contents.size();
    }
    std::string out;
    out.reserve(total);
    out += kRtfdMagic;
    putU32(out, kRtfdVersion);
    putU32(out, static_cast<std::uint32_t>(entries.size()));
    for (const RtfdEntry& e : entries) {
      putU32(out, static_cast<std::uint32_t>(e.name.size()));
      putU32(out, static_cast<std::uint32_t>(e.contents.size()));
      out += e.name;
      out += e.contents;
    }
    return out;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::optional<std::vector<RtfdEntry>> unflattenRTFD(std::string_view data) {
  if (data.size() < 16 || data.substr(0, 8) != kRtfdMagic) return std::nullopt;
  if (getU32(data, 8) != kRtfdVersion) return std::nullopt;
  const std::uint32_t count = getU32(data, 12);
  if (count == 0 || count > kRtfdMaxEntries) return std::nullopt;
  try {
    std::vector<RtfdEntry> entries;
    std::set<std::string_view> names;
    std::size_t at = 16;
    for (std::uint32_t i = 0; i < count; ++i) {
      if (data.size() - at < 8) return std::nullopt;
      const std::size_t nameLength = getU32(data, at);
      const std::size_t contentsLength = getU32(data, at + 4);
      at += 8;
      // Subtractions only: lengths that lie cannot wrap around.
      if (nameLength > data.size() - at) return std::nullopt;
      const std::string_view name = data.substr(at, nameLength);
      at += nameLength;
      if (contentsLength > data.size() - at) return std::nullopt;
      if (!isValidName(name) || !names.insert(name).second) return std::nullopt;
      entries.push_back(RtfdEntry{std::string(name), std::string(data.substr(at, contentsLength))});
      at += contentsLength;
    }
    if (at != data.size()) return std::nullopt;
    return entries;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::optional<AttributedString> readRTFD(std::string_view data,
                                         DocumentAttributes* documentAttributes) {
  std::optional<std::vector<RtfdEntry>> entries = unflattenRTFD(data);
  if (!entries) return std::nullopt;
  try {
    const RtfdEntry* text = nullptr;
    std::map<std::u16string, std::shared_ptr<const TextAttachment>> attachments;
    for (RtfdEntry& e : *entries) {
      if (e.name == kRtfdTextEntryName) {
        text = &e;
        continue;
      }
      const String fileName = String::withUtf8(e.name);
      attachments.emplace(
          fileName.toU16String(),
          std::make_shared<const TextAttachment>(TextAttachment{fileName, std::move(e.contents)}));
    }
    if (text == nullptr) return std::nullopt;
    const RtfAttachmentLookup lookup =
        [&attachments](const String& name) -> std::shared_ptr<const TextAttachment> {
      const auto it = attachments.find(name.toU16String());
      return it == attachments.end() ? nullptr : it->second;
    };
    DocumentAttributes doc;
    std::optional<AttributedString> result = readRTF(text->contents, &doc, lookup);
    if (result && documentAttributes != nullptr) {
      doc.documentType = NSRTFDTextDocumentType;
      *documentAttributes = doc;
    }
    return result;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::optional<std::string> writeRTFD(const AttributedString& text, NSRange range,
                                     const DocumentAttributes* documentAttributes) {
  if (!rangeFitsLength(range, text.length())) {
    raiseRangeException("RTFDFromRange", range.location, range.length, text.length());
  }
  try {
    std::vector<RtfdEntry> entries{RtfdEntry{std::string(kRtfdTextEntryName), {}}};
    std::set<std::string> used{std::string(kRtfdTextEntryName)};
    // One entry per attachment object, however many characters carry it.
    std::map<const TextAttachment*, String> named;
    bool tooLarge = false;
    const RtfAttachmentNamer namer = [&](const TextAttachment& a) -> String {
      if (const auto it = named.find(&a); it != named.end()) return it->second;
      if (a.contents.size() > std::numeric_limits<std::uint32_t>::max() ||
          entries.size() >= kRtfdMaxEntries) {
        tooLarge = true;
        return String();
      }
      std::string name = entryNameFor(a.fileName, used);
      const String entryName = String::withUtf8(name);
      entries.push_back(RtfdEntry{std::move(name), a.contents});
      named.emplace(&a, entryName);
      return entryName;
    };
    std::optional<std::string> rtf = writeRTF(text, range, documentAttributes, namer);
    if (!rtf || tooLarge) return std::nullopt;
    entries.front().contents = std::move(*rtf);
    return flattenRTFD(entries);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

String readRTFDCharacters(std::string_view data, DocumentAttributes* documentAttributes) {
  const std::optional<std::vector<RtfdEntry>> entries = unflattenRTFD(data);
  if (!entries) return String();
  for (const RtfdEntry& e : *entries) {
    if (e.name != kRtfdTextEntryName) continue;
    DocumentAttributes doc;
    String text = readRTFCharacters(e.contents, &doc);
    if (!text.isNil() && documentAttributes != nullptr) {
      doc.documentType = NSRTFDTextDocumentType;
      *documentAttributes = std::move(doc);
    }
    return text;
  }
  return String();
}

}  // namespace orvin
