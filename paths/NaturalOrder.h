// Natural order of file names: runs of decimal digits compare by their
// value, so "file9" comes before "file10".
//
// The order is total and consistent for sorting: a string that runs out
// first orders first, runs compare as digit strings of any length, and
// only when everything else is equal does a run with more leading zeros
// order after ("a01b" after "a1b"). A character that is no digit orders
// before every digit run when it (folded) lies below "0", else after.
// The result's sign is what counts; its size is a code-unit or length
// difference, or 1. nil orders after every string. When its table cannot
// be built, a caseless form answers 0 (equal).
#pragma once

#include "chars/Export.h"
#include "chars/String.h"
#include "chars/Types.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Case-sensitive: 0 only for equal strings.
//   compareWithLastPathComponent(u"file9", u"file10")  // -1
//   compareWithLastPathComponent(u"b", u"a")           // 1
[[nodiscard]] NSInteger compareWithLastPathComponent(const String& a, const String& b);

// Letters folded through upperCharsTable.
//   caseInsensitiveCompareWithLastPathComponent(u"File2", u"file10")  // -1
[[nodiscard]] NSInteger caseInsensitiveCompareWithLastPathComponent(const String& a,
                                                                    const String& b);

// Letters folded through upperUmlautsCharsTable (accents removed, then
// upper case).
//   nonUmlautedCaseInsensitiveCompareWithLastPathComponent(u"\u00C9t\u00E92", u"ete10")  // -1
[[nodiscard]] NSInteger nonUmlautedCaseInsensitiveCompareWithLastPathComponent(const String& a,
                                                                               const String& b);

}  // namespace orvin
ORVIN_PUBLIC_END
