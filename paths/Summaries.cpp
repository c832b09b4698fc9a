#include "paths/Summaries.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <map>
#include <new>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

namespace orvin {
namespace {

using Words = std::map<std::u16string, NSUInteger>;

std::u16string_view trimmed(std::u16string_view s) {
  auto space = [](char16_t c) { return u_isUWhiteSpace(c) != 0; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

// Calls visit(word) for each case-folded run of three or more letters.
template <class Visit>
void forEachWord(std::u16string_view text, Visit&& visit) {
  std::u16string word;
  NSUInteger letters = 0;
  auto flush = [&] {
    if (letters >= 3) visit(word);
    word.clear();
    letters = 0;
  };
  for (std::size_t i = 0; i < text.size();) {
    UChar32 c;
    U16_NEXT(text.data(), i, text.size(), c);
    if (!u_isalpha(c)) {
      flush();
      continue;
    }
    const UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    char16_t units[2];
    std::size_t n = 0;
    U16_APPEND_UNSAFE(units, n, folded);
    word.append(units, n);
    ++letters;
  }
  flush();
}

std::vector<std::u16string_view> paragraphsOf(std::u16string_view text) {
  std::vector<std::u16string_view> out;
  std::size_t start = 0;
  auto close = [&](std::size_t end) {
    const std::u16string_view p = trimmed(text.substr(start, end - start));
    if (!p.empty()) out.push_back(p);
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\u2029') {
      close(i);
      start = i + 1;
    } else if (text[i] == u'\n') {
      // A blank line: only white space up to the next line break.
      std::size_t j = i + 1;
      while (j < text.size() && text[j] != u'\n' && u_isUWhiteSpace(text[j])) ++j;
      if (j < text.size() && text[j] == u'\n') {
        close(i);
        start = j;
        i = j;
      }
    }
  }
  close(text.size());
  return out;
}

std::vector<std::u16string_view> sentencesOf(std::u16string_view paragraph) {
  std::vector<std::u16string_view> out;
  UErrorCode status = U_ZERO_ERROR;
  UBreakIterator* breaks = ubrk_open(UBRK_SENTENCE, "", paragraph.data(),
                                     static_cast<int32_t>(paragraph.size()), &status);
  if (U_FAILURE(status)) return out;
  for (int32_t start = ubrk_first(breaks), end = ubrk_next(breaks); end != UBRK_DONE;
       start = end, end = ubrk_next(breaks)) {
    const std::u16string_view s = trimmed(paragraph.substr(start, end - start));
    if (!s.empty()) out.push_back(s);
  }
  ubrk_close(breaks);
  return out;
}

// The best `count` parts in document order, joined by `separator`.
String best(const std::vector<std::u16string_view>& parts, const Words& words, NSUInteger count,
            std::u16string_view separator) {
  if (parts.empty()) return String();
  std::vector<NSUInteger> scores;
  for (const std::u16string_view part : parts) {
    NSUInteger score = 0;
    forEachWord(part, [&](const std::u16string& w) {
      const auto found = words.find(w);
      if (found != words.end()) score += found->second;
    });
    scores.push_back(score);
  }
  std::vector<std::size_t> order(parts.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return scores[a] > scores[b]; });
  order.resize(std::min<std::size_t>(count, order.size()));
  std::sort(order.begin(), order.end());
  std::u16string out;
  for (const std::size_t i : order) {
    if (!out.empty()) out.append(separator);
    out.append(parts[i]);
  }
  return String(out);
}

Words wordsOf(std::u16string_view text) {
  Words words;
  forEachWord(text, [&](const std::u16string& w) { ++words[w]; });
  return words;
}

}  // namespace

// The word counts, sentence lists and the text's copy live in standard
// containers: running out of memory there answers nil, as for no text.
String summarizeInSentences(const String& text, NSUInteger count) {
  try {
    const std::u16string all = text.toU16String();
    std::vector<std::u16string_view> sentences;
    for (const std::u16string_view p : paragraphsOf(all)) {
      const auto more = sentencesOf(p);
      sentences.insert(sentences.end(), more.begin(), more.end());
    }
    return best(sentences, wordsOf(all), count, u" ");
  } catch (const std::bad_alloc&) {
    return String();
  }
}

String summarizeInParagraphs(const String& text, NSUInteger count) {
  try {
    const std::u16string all = text.toU16String();
    return best(paragraphsOf(all), wordsOf(all), count, u"\n\n");
  } catch (const std::bad_alloc&) {
    return String();
  }
}

}  // namespace orvin
