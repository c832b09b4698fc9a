#include "strings/MailReflow.h"

#include <cstdint>
#include <vector>

#include "chars/CharacterSetReps.h"
#include "strings/FeedCharacters.h"
#include "strings/Lines.h"
#include "strings/RemovingCharacters.h"
#include "strings/Trimming.h"
#include "strings/internal/UnitRewrite.h"

namespace orvin {
namespace {

bool keepsBreakBefore(unichar c) {
  return c == u' ' || c == u'-' || c == u'/' || c == u'>' || c == u'}';
}

// The unwrapping pass; `out` may be `in`, since it never writes ahead of
// what it has read.
detail::Rewritten unwrap(const unichar* in, NSUInteger n, unichar* out, const std::uint8_t* white,
                         const std::uint8_t* space) {
  NSUInteger r = 0;
  NSUInteger w = 0;
  while (r < n) {
    NSUInteger breaks = 0;
    while (r < n && isFeedCharacter(in[r])) {
      r += (in[r] == u'\r' && r + 1 < n && in[r + 1] == u'\n') ? 2 : 1;
      ++breaks;
    }
    if (breaks >= 2) {
      out[w++] = u'\n';
      out[w++] = u'\n';
    } else if (breaks == 1 && r < n) {
      if (keepsBreakBefore(in[r])) {
        out[w++] = u'\n';
      } else if (w > 0 && !isInCharacterSetRep(white, out[w - 1])) {
        const unichar last = out[w - 1];
        out[w++] = (last == u':' || last == u'>') ? u'\n' : u' ';
      }
    }
    if (r < n && isInCharacterSetRep(space, in[r])) {
      while (r < n && isInCharacterSetRep(space, in[r])) ++r;
      out[w++] = u' ';
    }
    if (r < n && !isFeedCharacter(in[r])) out[w++] = in[r++];
  }
  return detail::Rewritten{w, true};
}

}  // namespace

String reformattedMailing(const String& s) {
  const std::uint8_t* white = whiteCharacterSetRep();
  const std::uint8_t* space = spaceCharacterSetRep();
  if (white == nullptr || space == nullptr) return s;
  return detail::rewrittenString(s, [&](const unichar* in, NSUInteger n, unichar* out) {
    return unwrap(in, n, out, white, space);
  });
}

MutableString reformattedStringByRemovingCharactersOfString(const String& s, const String& remove) {
  MutableString result;
  const std::vector<String> all = lines(s);
  bool textPending = false;
  for (std::size_t i = 0; i < all.size(); ++i) {
    MutableString line(all[i]);
    if (!remove.isNil()) removeCharactersOfString(line, remove);
    trimWhiteSpaces(line);
    if (!line.isEmpty()) {
      if (textPending) result.appendString(u" ");
      result.appendString(line);
      textPending = true;
      continue;
    }
    if (!textPending) continue;
    // The first blank line after a paragraph: its own line end, twice.
    const String feed = feedOfLine(all[i]);
    if (feed.isEmpty()) continue;
    result.appendString(feed);
    if (i + 1 != all.size()) result.appendString(feed);
    textPending = false;
  }
  (void)removeMultipleSpaces(result);
  return result;
}

}  // namespace orvin
