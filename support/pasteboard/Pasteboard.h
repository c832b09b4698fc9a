// Pasteboard: a named store of typed data, as the library reads and writes
// it. The library sees only this interface; InMemoryPasteboard serves tests
// and processes without a desktop, and the desktop layer installs its own
// general pasteboard through setGeneralPasteboardFactory.
//
// A pasteboard holds an ordered list of declared types and, for each, at
// most one block of bytes. Declaring empties it; only declared types take
// data. Type names compare by exact, case-sensitive code-unit equality.
// Pasteboards are used from one thread; the registry may be used from any.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "chars/Export.h"
#include "chars/String.h"
#include "support/formats/PropertyList.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Names of the shared pasteboards. Constants convert to String where one is
// wanted.
inline constexpr std::u16string_view NSGeneralPboard = u"Apple CFPasteboard general";
inline constexpr std::u16string_view NSDragPboard = u"Apple CFPasteboard drag";
inline constexpr std::u16string_view NSFindPboard = u"Apple CFPasteboard find";

// The platform's pasteboard types.
inline constexpr std::u16string_view NSStringPboardType = u"NSStringPboardType";
inline constexpr std::u16string_view NSRTFPboardType =
    u"NeXT Rich Text Format v1.0 pasteboard type";
inline constexpr std::u16string_view NSRTFDPboardType = u"NeXT RTFD pasteboard type";
inline constexpr std::u16string_view NSTIFFPboardType = u"NeXT TIFF v4.0 pasteboard type";
inline constexpr std::u16string_view NSPDFPboardType = u"Apple PDF pasteboard type";
inline constexpr std::u16string_view NSPostScriptPboardType =
    u"NeXT Encapsulated PostScript v1.2 pasteboard type";
inline constexpr std::u16string_view NSHTMLPboardType = u"Apple HTML pasteboard type";
inline constexpr std::u16string_view NSTabularTextPboardType = u"NeXT tabular text pasteboard type";
inline constexpr std::u16string_view NSVCardPboardType = u"Apple VCard pasteboard type";
inline constexpr std::u16string_view NSURLPboardType = u"Apple URL pasteboard type";
inline constexpr std::u16string_view NSFilenamesPboardType = u"NSFilenamesPboardType";

// The library's own pasteboard types.
inline constexpr std::u16string_view TarnwickPboardType = u"TarnwickPboardType";
inline constexpr std::u16string_view TarnwickAutoPboardType = u"TarnwickAutoPboardType";
// A property list [[link, ...], [title, ...]].
inline constexpr std::u16string_view WebURLsWithTitlesPboardType = u"WebURLsWithTitlesPboardType";
// A bookmark property list that goes with one link.
inline constexpr std::u16string_view BookmarksPboardType = u"OrvinBookmarksPboardType";
inline constexpr std::u16string_view CorePasteboardFlavorTypeURL =
    u"CorePasteboardFlavorType 0x75726C20";
inline constexpr std::u16string_view CorePasteboardFlavorTypeURLName =
    u"CorePasteboardFlavorType 0x75726C6E";
inline constexpr std::u16string_view AppleWebArchivePasteboardType =
    u"Apple Web Archive pasteboard type";
inline constexpr std::u16string_view ApplePNGPasteboardType = u"Apple PNG pasteboard type";

class Pasteboard {
 public:
  virtual ~Pasteboard();

  // The pasteboard's name.
  //   Pasteboard::generalPasteboard()->name()  // NSGeneralPboard
  [[nodiscard]] virtual String name() = 0;

  // The declared types, in the order they were declared.
  //   pb.declareTypes({NSStringPboardType, NSRTFPboardType}, nullptr);
  //   pb.types()  // {NSStringPboardType, NSRTFPboardType}
  [[nodiscard]] virtual std::vector<String> types() = 0;

  // The bytes stored for `type`; nothing when the type is not declared or
  // was declared without data.
  [[nodiscard]] virtual std::optional<Bytes> dataForType(const String& type) = 0;

  // Empties the pasteboard and declares exactly `types` (nil entries and
  // repeats dropped). `owner` is an opaque tag of whoever declared, or
  // nullptr. Answers the new change count.
  //   NSInteger n = pb.declareTypes({NSStringPboardType}, nullptr);
  virtual NSInteger declareTypes(const std::vector<String>& types, const void* owner) = 0;

  // Stores `data` for a declared type, replacing what it held; false (and
  // nothing stored) when the type was not declared.
  //   pb.setData(Bytes{0x4D, 0x4D}, NSTIFFPboardType)  // true once declared
  virtual bool setData(const Bytes& data, const String& type) = 0;

  // Counts declarations: each declareTypes raises it by one.
  //   if (pb.changeCount() != seen) reload();
  [[nodiscard]] virtual NSInteger changeCount() = 0;

  // The data of `type` read as UTF-8; nil when absent or not valid UTF-8.
  //   pb.stringForType(NSStringPboardType)  // u"text" after setString(u"text", ...)
  [[nodiscard]] virtual String stringForType(const String& type);

  // The data of `type` read as an XML property list; nil when absent or
  // unreadable. For NSStringPboardType, the string as a string property list.
  //   pb.propertyListForType(NSFilenamesPboardType).objectAtIndex(0).stringValue()
  [[nodiscard]] virtual PropertyList propertyListForType(const String& type);

  // The first type of `types`, in that list's order, that the pasteboard
  // declares; nil when none is.
  //   pb.availableTypeFromArray({NSRTFDPboardType, NSRTFPboardType, NSStringPboardType})
  [[nodiscard]] virtual String availableTypeFromArray(const std::vector<String>& types);

  // Stores `s` as UTF-8 for a declared type (an unpaired surrogate becomes
  // U+FFFD); false for a nil string or an undeclared type.
  //   pb.setString(u"hello", NSStringPboardType)
  virtual bool setString(const String& s, const String& type);

  // Stores `plist` in its XML form for a declared type (a string list for
  // NSStringPboardType is stored as that string); false when the type is not
  // declared or the list has no XML form (see dataFromPropertyList).
  //   pb.setPropertyList(PropertyList::Array{u"/tmp/a.txt"}, NSFilenamesPboardType)
  virtual bool setPropertyList(const PropertyList& plist, const String& type);

  // The shared general pasteboard: the one the installed factory made, else
  // an in-memory one. Never null.
  //   Pasteboard::generalPasteboard()->stringForType(NSStringPboardType)
  [[nodiscard]] static std::shared_ptr<Pasteboard> generalPasteboard();

  // The shared pasteboard of that name, made in memory on first use;
  // NSGeneralPboard gives generalPasteboard(). nullptr for a nil or empty
  // name.
  //   auto find = Pasteboard::pasteboardWithName(NSFindPboard);
  [[nodiscard]] static std::shared_ptr<Pasteboard> pasteboardWithName(const String& name);

  // Installs how the general pasteboard is made (the desktop layer's
  // binding); the next generalPasteboard() calls it once and keeps its
  // result. An empty factory, or one that answers nullptr, gives the
  // in-memory pasteboard. Holders of the previous instance keep it.
  //   Pasteboard::setGeneralPasteboardFactory([] { return makeDesktopClipboard(); });
  using Factory = std::function<std::shared_ptr<Pasteboard>()>;
  static void setGeneralPasteboardFactory(Factory factory);
};

// A pasteboard held in memory.
class InMemoryPasteboard : public Pasteboard {
 public:
  //   auto pb = std::make_shared<InMemoryPasteboard>(u"Request");
  explicit InMemoryPasteboard(String name);

  [[nodiscard]] String name() override;
  [[nodiscard]] std::vector<String> types() override;
  [[nodiscard]] std::optional<Bytes> dataForType(const String& type) override;
  NSInteger declareTypes(const std::vector<String>& types, const void* owner) override;
  bool setData(const Bytes& data, const String& type) override;
  [[nodiscard]] NSInteger changeCount() override;

  // The owner given with the last declaration.
  //   pb.declareTypes({NSStringPboardType}, this); pb.owner()  // this
  [[nodiscard]] const void* owner() const noexcept { return owner_; }

 private:
  struct Entry {
    String type;
    std::optional<Bytes> data;
  };
  Entry* find(const String& type);

  String name_;
  std::vector<Entry> entries_;
  const void* owner_ = nullptr;
  NSInteger changeCount_ = 0;
};

}  // namespace orvin
ORVIN_PUBLIC_END
