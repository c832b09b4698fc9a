// MutableString: a String that edits in place. It passes wherever a String is
// read; copies taken from it keep their text when it changes (copy on write).
#pragma once

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

namespace detail {
struct MutableStringAccess;  // the library's in-place editors
                             // (chars/internal/MutableStringAccess.h)
}

class MutableString : public String {
 public:
  // The empty string (never nil).
  MutableString();
  // A mutable copy of `text` (nil becomes empty).
  explicit MutableString(const String& text);

  MutableString(const MutableString&) = default;
  MutableString(MutableString&&) noexcept = default;
  MutableString& operator=(const MutableString&) = default;
  MutableString& operator=(MutableString&&) noexcept = default;

  // Each edit raises NSRangeException for a range or index outside the text,
  // as the platform does; running out of memory leaves the text unchanged.
  void deleteCharactersInRange(NSRange range);
  void insertString(const String& text, NSUInteger index);
  void appendString(const String& text);
  void appendCharacters(const unichar* chars, NSUInteger length);
  void replaceCharactersInRange(NSRange range, const String& text);
  // Replaces the whole text.
  void setString(const String& text);

  // Replaces every occurrence of `target` inside `searchRange` (options:
  // kCompareCaseInsensitive, kCompareBackwards, kCompareAnchored) and answers
  // how many were replaced.
  //   MutableString s(u"a-b-c");
  //   s.replaceOccurrencesOfString(u"-", u"+", 0, {0, 5});  // 2, "a+b+c"
  NSUInteger replaceOccurrencesOfString(const String& target, const String& replacement,
                                        NSUInteger options, NSRange searchRange);

  // Locale-independent case mapping in place; the length may change.
  void lowercase();
  void uppercase();
  // First letter of each word upper case (title case), the rest lower case.
  void capitalize();
  // Removes diacritics ("é" becomes "e"); letters without a decomposition
  // ("ø", "ß") stay.
  void foldDiacritics();
  // Unicode normalization in place.
  enum class NormalizationForm { D = 0, KD = 1, C = 2, KC = 3 };
  void normalize(NormalizationForm form);
  // Removes leading and trailing white space and line breaks.
  void trimWhitespace();

 private:
  friend struct detail::MutableStringAccess;

  // Both answer false, leaving the text as it was, when memory runs out.
  bool replaceUnchecked(NSRange range, const unichar* chars, NSUInteger length);
  bool replaceWithUtf16(const std::u16string& text);
  // Installs a rewritten text (a std::malloc block with room for `capacity`
  // units) unless it equals the current one; frees the block when it is not
  // taken.
  void takeRewritten(unichar* units, NSUInteger length, NSUInteger capacity);
};

}  // namespace orvin
ORVIN_PUBLIC_END
