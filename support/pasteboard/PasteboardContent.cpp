#include "support/pasteboard/PasteboardContent.h"

#include <string_view>
#include <utility>

#include "chars/PlatformException.h"
#include "support/Log.h"

namespace orvin {
namespace {

std::string_view asText(const Bytes& data) {
  return std::string_view(reinterpret_cast<const char*>(data.data()), data.size());
}

// Declares `type` alone and stores `data` for it.
bool declareAndStore(Pasteboard& pasteboard, std::u16string_view type, const Bytes& data) {
  const String name(type);
  pasteboard.declareTypes({name}, nullptr);
  return pasteboard.setData(data, name);
}

struct TypeExtension {
  std::u16string_view type;
  std::u16string_view extension;
};

// In the order the types are tried.
constexpr TypeExtension kExtensions[] = {
    {NSTIFFPboardType, u"tiff"},
    {u"public.tiff", u"tiff"},
    {ApplePNGPasteboardType, u"png"},
    {u"public.png", u"png"},
    {u"public.jpeg-2000", u"jp2"},
    {u"public.jpeg", u"jpeg"},
    {NSPDFPboardType, u"pdf"},
    {NSPostScriptPboardType, u"ps"},
    {NSHTMLPboardType, u"html"},
    {NSRTFPboardType, u"rtf"},
    {NSRTFDPboardType, u"rtfd"},
    {NSStringPboardType, u"txt"},
    {NSTabularTextPboardType, u"csv"},
    {NSVCardPboardType, u"vcf"},
    {NSURLPboardType, u"url"},
    {CorePasteboardFlavorTypeURL, u"url"},
    {u"Apple URL pasteboard type", u"url"},
    {u"public.url", u"url"},
    {AppleWebArchivePasteboardType, u"webarchive"},
    // The desktop's names for the same kinds.
    {u"text/plain", u"txt"},
    {u"text/rtf", u"rtf"},
    {u"text/html", u"html"},
    {u"text/uri-list", u"url"},
    {u"image/png", u"png"},
};

}  // namespace

std::optional<AttributedString> attributedStringFromPasteboard(Pasteboard* pasteboard) {
  if (pasteboard == nullptr) return std::nullopt;
  try {
    const String type = pasteboard->availableTypeFromArray({NSRTFDPboardType, NSRTFPboardType});
    if (type.isNil()) return std::nullopt;
    const std::optional<Bytes> data = pasteboard->dataForType(type);
    if (!data) return std::nullopt;
    return type == NSRTFDPboardType ? AttributedString::initWithRTFD(asText(*data), nullptr)
                                    : AttributedString::initWithRTF(asText(*data), nullptr);
  } catch (const PlatformException& e) {
    NSLogGuardedException(u"attributedStringFromPasteboard:", u"AttributedString", e);
    return std::nullopt;
  }
}

bool copyToPasteboard(const AttributedString& text, Pasteboard& pasteboard) {
  const NSRange whole{0, text.length()};
  const bool attachments = text.containsAttachments();
  const std::optional<std::string> data =
      attachments ? text.RTFDFromRange(whole, nullptr) : text.RTFFromRange(whole, nullptr);
  if (!data) return false;
  return declareAndStore(pasteboard, attachments ? NSRTFDPboardType : NSRTFPboardType,
                         Bytes(data->begin(), data->end()));
}

bool copyToPasteboard(const Image& image, Pasteboard& pasteboard) {
  const std::optional<Bytes> tiff = image.TIFFRepresentation(NSTIFFCompressionLZW, 1.0f);
  return tiff && declareAndStore(pasteboard, NSTIFFPboardType, *tiff);
}

String stringFromPasteboard(Pasteboard* pasteboard) {
  if (pasteboard == nullptr) return String();
  try {
    const String type = pasteboard->availableTypeFromArray(
        {NSStringPboardType, NSTabularTextPboardType, NSHTMLPboardType});
    return type.isNil() ? String() : pasteboard->stringForType(type);
  } catch (const PlatformException& e) {
    NSLogGuardedException(u"stringFromPasteboard:", u"String", e);
    return String();
  }
}

bool copyToPasteboard(const String& s, Pasteboard& pasteboard) {
  if (s.isNil()) return false;
  pasteboard.declareTypes({NSStringPboardType}, nullptr);
  return pasteboard.setString(s, String(NSStringPboardType));
}

String fileTypeForPboardType(const String& type) {
  if (type.isNil()) return String();
  const std::u16string name = type.toU16String();
  for (const TypeExtension& row : kExtensions) {
    if (row.type == name) return String(row.extension);
  }
  return String();
}

}  // namespace orvin
