// Short summaries of a text: its most telling sentences or paragraphs.
//
// Paragraphs end at blank lines and at U+2029; sentences are found by
// ICU's sentence breaks. Each is scored by how often its words (of three
// or more letters, case-folded) occur in the whole text, and the best
// ones are returned in their original order: sentences joined by " ",
// paragraphs by a blank line. Ties go to the earlier one, so the answer
// is the same on every run.
#pragma once

#include "chars/Export.h"
#include "chars/String.h"
#include "chars/Types.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The best min(count, found) sentences; nil when the text has none and
// when memory runs out.
//   summarizeInSentences(u"Cats purr. Dogs bark. Cats nap.", 1)  // u"Cats purr."
[[nodiscard]] String summarizeInSentences(const String& text, NSUInteger count);
// The best min(count, found) paragraphs; nil as above.
[[nodiscard]] String summarizeInParagraphs(const String& text, NSUInteger count);

}  // namespace orvin
ORVIN_PUBLIC_END
