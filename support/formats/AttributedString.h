// Attributed text: a String with style runs and attachments, as pasteboards
// carry rich text (RTF, RTFD). The styles are the ones rich-text exchange
// keeps: bold, italic, underline, font size and font name. An attachment (a
// named file's bytes) sits on a U+FFFC OBJECT REPLACEMENT CHARACTER.
//
// Runs tile the text: contiguous, non-empty, and no two neighbours share
// attributes. They are kept compact: a run is where it starts and which of
// the text's distinct styles it has (16 bytes), so a style (its font name
// with it) is held once however many runs share it. Ranges count UTF-16
// code units; a range or index outside the
// text raises NSRangeException (chars/PlatformException.h), as the platform
// does. Everything else that fails is a result (nullopt).
#pragma once

#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chars/Export.h"
#include "chars/MutableString.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The character an attachment stands on.
inline constexpr unichar NSAttachmentCharacter = 0xFFFC;

// A file carried inside attributed text.
struct TextAttachment {
  String fileName;
  std::string contents;
  friend bool operator==(const TextAttachment&, const TextAttachment&) = default;
};

// The style of a run. Defaults mean "not set": plain, the reader's default
// size and font.
struct TextAttributes {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  double fontSize = 0;  // points; 0: default. Rich text keeps half points.
  String fontName;      // nil: default font (an empty name counts as nil)
  std::shared_ptr<const TextAttachment> attachment;  // meaningful on U+FFFC only

  // Attachments compare by content.
  friend ORVIN_EXPORT bool operator==(const TextAttributes& a, const TextAttributes& b);
};

struct AttributeRun {
  NSRange range;
  TextAttributes attributes;
  friend bool operator==(const AttributeRun&, const AttributeRun&) = default;
};

// A run as stored: where it starts and the index of its style.
struct RunStart {
  NSUInteger location;
  std::uint32_t style;
  friend bool operator==(const RunStart&, const RunStart&) = default;
};

class AttributedString;

// The runs of a text, read in order as AttributeRun values (each made on
// the way: keep the view's text alive while iterating).
//   for (const AttributeRun& run : s.runs()) use(run.range, run.attributes);
class AttributeRuns {
 public:
  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = AttributeRun;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = AttributeRun;
    iterator() = default;
    iterator(const AttributeRuns* runs, std::size_t index) : runs_(runs), index_(index) {}
    AttributeRun operator*() const { return (*runs_)[index_]; }
    iterator& operator++() {
      ++index_;
      return *this;
    }
    iterator operator++(int) {
      iterator before = *this;
      ++index_;
      return before;
    }
    friend bool operator==(const iterator& a, const iterator& b) { return a.index_ == b.index_; }

   private:
    const AttributeRuns* runs_ = nullptr;
    std::size_t index_ = 0;
  };

  explicit AttributeRuns(const AttributedString& text) : text_(&text) {}
  [[nodiscard]] std::size_t size() const noexcept;
  [[nodiscard]] bool empty() const noexcept { return size() == 0; }
  // The run at `index` (< size()).
  [[nodiscard]] AttributeRun operator[](std::size_t index) const;
  [[nodiscard]] iterator begin() const { return iterator(this, 0); }
  [[nodiscard]] iterator end() const { return iterator(this, size()); }

 private:
  const AttributedString* text_;
};

// What a rich-text document says about itself beyond its characters. Unset
// values stay nullopt/nil. Paper and margins in points.
struct DocumentAttributes {
  String documentType;  // NSRTFTextDocumentType or NSRTFDTextDocumentType after a read
  std::optional<double> paperWidth;
  std::optional<double> paperHeight;
  std::optional<double> leftMargin;
  std::optional<double> rightMargin;
  std::optional<double> topMargin;
  std::optional<double> bottomMargin;
  // The ANSI code page the document declared (\ansicpgN), 0 when none. Read
  // only: written documents always declare 1252.
  NSUInteger ansiCodePage = 0;
  friend bool operator==(const DocumentAttributes&, const DocumentAttributes&) = default;
};

inline constexpr const char16_t* NSRTFTextDocumentType = u"NSRTF";
inline constexpr const char16_t* NSRTFDTextDocumentType = u"NSRTFD";

class MutableAttributedString;

class AttributedString {
 public:
  // The empty text.
  AttributedString() = default;
  // `text` with one style throughout (nil text gives the empty text).
  //   AttributedString s(u"Hallo", TextAttributes{.bold = true});
  explicit AttributedString(const String& text, const TextAttributes& attributes = {});

  // Text from runs that tile it; adjacent equal runs merge and empty ones
  // drop. nullopt when the runs leave a gap, overlap or pass the end.
  //   AttributedString::withRuns(u"ab", {{{0, 1}, bold}, {{1, 1}, {}}})
  [[nodiscard]] static std::optional<AttributedString> withRuns(const String& text,
                                                                std::vector<AttributeRun> runs);
  // Text from its styles and where each run starts, the stored form itself
  // (taken over, not copied): starts ascending from 0, each naming a style.
  // Neighbours of equal style merge. nullopt when a start is out of order or
  // past the end, or a style index is out of range.
  //   AttributedString::withRunStarts(u"ab", {plain, bold}, {{0, 0}, {1, 1}})
  [[nodiscard]] static std::optional<AttributedString> withRunStarts(
      const String& text, std::vector<TextAttributes> styles, std::vector<RunStart> starts);
  // One U+FFFC carrying `attachment`.
  //   AttributedString::withAttachment({u"a.png", pngBytes}).containsAttachments()  // true
  [[nodiscard]] static AttributedString withAttachment(TextAttachment attachment);

  // Reads RTF bytes. nullopt when they are not RTF (no "{\rtf" header). Fills
  // *documentAttributes on success when given (documentType "NSRTF").
  //   AttributedString::initWithRTF("{\\rtf1 Gr\\'fc\\'dfe}", nullptr)->string()  // u"Grüße"
  [[nodiscard]] static std::optional<AttributedString> initWithRTF(
      std::string_view data, DocumentAttributes* documentAttributes);
  // Reads RTFD bytes (the container of support/formats/Rtfd.h). nullopt when the
  // container or its RTF is broken. documentType "NSRTFD".
  //   AttributedString::initWithRTFD(rtfdBytes, &doc)
  [[nodiscard]] static std::optional<AttributedString> initWithRTFD(
      std::string_view data, DocumentAttributes* documentAttributes);

  // The plain characters (never nil), sharing storage with this text.
  //   s.string()  // u"Grüße"
  [[nodiscard]] String string() const { return text_; }
  [[nodiscard]] NSUInteger length() const noexcept { return text_.length(); }
  [[nodiscard]] AttributeRuns runs() const noexcept { return AttributeRuns(*this); }

  // The attributes at `index`, and in *effectiveRange (when given) the run
  // holding them. NSRangeException when index >= length().
  //   s.attributesAtIndex(0, &r).bold
  [[nodiscard]] const TextAttributes& attributesAtIndex(NSUInteger index,
                                                        NSRange* effectiveRange) const;
  // The text and styles of `range`. NSRangeException when it does not fit.
  [[nodiscard]] AttributedString attributedSubstringFromRange(NSRange range) const;
  // True when some U+FFFC carries an attachment.
  [[nodiscard]] bool containsAttachments() const;

  // RTF bytes of `range` (\rtf1\ansi\ansicpg1252, \uN for non-ASCII).
  // Attachments are not written, their U+FFFC is. Paper and margins come from
  // *documentAttributes when given. nullopt when no bytes can be produced;
  // NSRangeException when the range does not fit.
  //   s.RTFFromRange({0, s.length()}, nullptr)
  [[nodiscard]] std::optional<std::string> RTFFromRange(
      NSRange range, const DocumentAttributes* documentAttributes) const;
  // RTFD bytes of `range`: the RTF plus one entry per attachment. nullopt as
  // above, or when an attachment is too large for the container.
  [[nodiscard]] std::optional<std::string> RTFDFromRange(
      NSRange range, const DocumentAttributes* documentAttributes) const;

  [[nodiscard]] MutableAttributedString mutableCopy() const;

  // Same characters and the same runs.
  friend ORVIN_EXPORT bool operator==(const AttributedString& a, const AttributedString& b);

 protected:
  friend class AttributeRuns;
  // The runs spelled out, and back (they must tile the text, merged).
  [[nodiscard]] std::vector<AttributeRun> expandedRuns() const;
  void setRuns(const std::vector<AttributeRun>& runs);
  [[nodiscard]] NSRange rangeOfRun(std::size_t index) const;

  // Text and runs are edited together; runs always tile text_.
  MutableString text_;
  std::vector<RunStart> runs_;
  std::vector<TextAttributes> styles_;  // the distinct styles runs_ names
};

class MutableAttributedString : public AttributedString {
 public:
  MutableAttributedString() = default;
  explicit MutableAttributedString(const AttributedString& other) : AttributedString(other) {}

  // Replaces `range` with plain characters, which take the attributes of the
  // first replaced character, or of the one before an insertion (the one
  // after at index 0). NSRangeException when the range does not fit.
  //   m.replaceCharactersInRange({0, 1}, u"G");
  void replaceCharactersInRange(NSRange range, const String& text);
  // Replaces `range` with styled text.
  void replaceCharactersInRange(NSRange range, const AttributedString& text);
  void insertAttributedString(const AttributedString& text, NSUInteger index);
  void appendAttributedString(const AttributedString& text);
  // Appends `text` in the given style.
  //   m.appendString(u"fett", TextAttributes{.bold = true});
  void appendString(const String& text, const TextAttributes& attributes);
  void deleteCharactersInRange(NSRange range);
  // Sets the style of `range`, replacing what was there.
  //   m.setAttributes(TextAttributes{.italic = true}, {2, 3});
  void setAttributes(const TextAttributes& attributes, NSRange range);
  // Replaces the whole text and its styles.
  void setAttributedString(const AttributedString& text);

 private:
  // Replaces `range` by `text`, whose runs are relative to it. Runs change
  // only when the text edit succeeded (it fails quietly without memory).
  void splice(NSRange range, const String& text, const std::vector<AttributeRun>& textRuns);
};

}  // namespace orvin
ORVIN_PUBLIC_END
