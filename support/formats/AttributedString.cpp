#include "support/formats/AttributedString.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "chars/PlatformException.h"
#include "support/formats/RtfReader.h"
#include "support/formats/RtfWriter.h"
#include "support/formats/Rtfd.h"

namespace orvin {
namespace {

// One spelling per style, so equal styles compare equal and runs merge.
TextAttributes normalized(TextAttributes a) {
  if (a.fontName.isEmpty()) a.fontName = String();
  if (!(a.fontSize > 0) || !std::isfinite(a.fontSize)) a.fontSize = 0;
  return a;
}

// Appends a run, merging it into the last one when they touch and match.
void pushRun(std::vector<AttributeRun>& runs, NSRange range, const TextAttributes& attributes) {
  if (range.length == 0) return;
  if (!runs.empty() && NSMaxRange(runs.back().range) == range.location &&
      runs.back().attributes == attributes) {
    runs.back().range.length += range.length;
    return;
  }
  runs.push_back(AttributeRun{range, attributes});
}

// The index of the run holding `index` (which must lie inside the text).
std::size_t runIndexAt(const std::vector<AttributeRun>& runs, NSUInteger index) {
  const auto it = std::upper_bound(
      runs.begin(), runs.end(), index,
      [](NSUInteger i, const AttributeRun& run) { return i < run.range.location; });
  return static_cast<std::size_t>(it - runs.begin()) - 1;
}

}  // namespace

bool operator==(const TextAttributes& a, const TextAttributes& b) {
  if (a.bold != b.bold || a.italic != b.italic || a.underline != b.underline ||
      a.fontSize != b.fontSize || !(a.fontName == b.fontName)) {
    return false;
  }
  if (a.attachment == b.attachment) return true;
  return a.attachment != nullptr && b.attachment != nullptr && *a.attachment == *b.attachment;
}

AttributedString::AttributedString(const String& text, const TextAttributes& attributes)
    : text_(text) {
  pushRun(runs_, NSRange{0, text_.length()}, normalized(attributes));
}

std::optional<AttributedString> AttributedString::withRuns(const String& text,
                                                           std::vector<AttributeRun> runs) {
  AttributedString result;
  result.text_ = MutableString(text);
  const NSUInteger length = result.text_.length();
  // Checked and merged in place, so a long list is never held twice.
  NSUInteger next = 0;
  std::size_t kept = 0;
  for (AttributeRun& run : runs) {
    if (run.range.location != next || !rangeFitsLength(run.range, length)) return std::nullopt;
    next = NSMaxRange(run.range);
    if (run.range.length == 0) continue;
    run.attributes = normalized(std::move(run.attributes));
    if (kept > 0 && runs[kept - 1].attributes == run.attributes) {
      runs[kept - 1].range.length += run.range.length;
    } else if (&runs[kept++] != &run) {
      runs[kept - 1] = std::move(run);
    }
  }
  if (next != length) return std::nullopt;
  runs.resize(kept);
  result.runs_ = std::move(runs);
  return result;
}

AttributedString AttributedString::withAttachment(TextAttachment attachment) {
  TextAttributes attributes;
  attributes.attachment = std::make_shared<const TextAttachment>(std::move(attachment));
  const unichar c = NSAttachmentCharacter;
  return AttributedString(String::withCharacters(&c, 1), attributes);
}

std::optional<AttributedString> AttributedString::initWithRTF(
    std::string_view data, DocumentAttributes* documentAttributes) {
  return readRTF(data, documentAttributes);
}

std::optional<AttributedString> AttributedString::initWithRTFD(
    std::string_view data, DocumentAttributes* documentAttributes) {
  return readRTFD(data, documentAttributes);
}

const TextAttributes& AttributedString::attributesAtIndex(NSUInteger index,
                                                          NSRange* effectiveRange) const {
  if (index >= length()) raiseRangeException("attributesAtIndex", index, 0, length());
  const AttributeRun& run = runs_[runIndexAt(runs_, index)];
  if (effectiveRange != nullptr) *effectiveRange = run.range;
  return run.attributes;
}

AttributedString AttributedString::attributedSubstringFromRange(NSRange range) const {
  if (!rangeFitsLength(range, length())) {
    raiseRangeException("attributedSubstringFromRange", range.location, range.length, length());
  }
  AttributedString result;
  result.text_ = MutableString(text_.substring(range));
  for (const AttributeRun& run : runs_) {
    const NSUInteger start = std::max(run.range.location, range.location);
    const NSUInteger end = std::min(NSMaxRange(run.range), NSMaxRange(range));
    if (start < end) {
      pushRun(result.runs_, NSRange{start - range.location, end - start}, run.attributes);
    }
  }
  return result;
}

bool AttributedString::containsAttachments() const {
  for (const AttributeRun& run : runs_) {
    if (run.attributes.attachment == nullptr) continue;
    for (NSUInteger i = run.range.location; i < NSMaxRange(run.range); ++i) {
      if (text_.characterAtIndex(i) == NSAttachmentCharacter) return true;
    }
  }
  return false;
}

std::optional<std::string> AttributedString::RTFFromRange(
    NSRange range, const DocumentAttributes* documentAttributes) const {
  return writeRTF(*this, range, documentAttributes);
}

std::optional<std::string> AttributedString::RTFDFromRange(
    NSRange range, const DocumentAttributes* documentAttributes) const {
  return writeRTFD(*this, range, documentAttributes);
}

MutableAttributedString AttributedString::mutableCopy() const {
  return MutableAttributedString(*this);
}

bool operator==(const AttributedString& a, const AttributedString& b) {
  return a.text_ == b.text_ && a.runs_ == b.runs_;
}

// ---------------------------------------------------------------------------

void MutableAttributedString::splice(NSRange range, const String& text,
                                     const std::vector<AttributeRun>& textRuns) {
  const NSUInteger oldLength = length();
  const NSUInteger added = text.length();
  const NSUInteger newLength = oldLength - range.length + added;
  text_.replaceCharactersInRange(range, text);
  if (text_.length() != newLength) return;  // out of memory: nothing changed

  if (range.location == oldLength && range.length == 0) {
    for (const AttributeRun& run : textRuns) {
      pushRun(runs_, NSRange{oldLength + run.range.location, run.range.length}, run.attributes);
    }
    return;
  }
  std::vector<AttributeRun> runs;
  runs.reserve(runs_.size() + textRuns.size() + 1);
  for (const AttributeRun& run : runs_) {
    if (run.range.location >= range.location) break;
    const NSUInteger end = std::min(NSMaxRange(run.range), range.location);
    pushRun(runs, NSRange{run.range.location, end - run.range.location}, run.attributes);
  }
  for (const AttributeRun& run : textRuns) {
    pushRun(runs, NSRange{range.location + run.range.location, run.range.length}, run.attributes);
  }
  for (const AttributeRun& run : runs_) {
    const NSUInteger end = NSMaxRange(run.range);
    if (end <= NSMaxRange(range)) continue;
    const NSUInteger start = std::max(run.range.location, NSMaxRange(range));
    pushRun(runs, NSRange{start - range.length + added, end - start}, run.attributes);
  }
  runs_ = std::move(runs);
}

void MutableAttributedString::replaceCharactersInRange(NSRange range, const String& text) {
  if (!rangeFitsLength(range, length())) {
    raiseRangeException("replaceCharactersInRange", range.location, range.length, length());
  }
  TextAttributes inherited;
  if (range.length > 0) {
    inherited = attributesAtIndex(range.location, nullptr);
  } else if (range.location > 0) {
    inherited = attributesAtIndex(range.location - 1, nullptr);
  } else if (length() > 0) {
    inherited = attributesAtIndex(0, nullptr);
  }
  // An attachment belongs to its own character only.
  inherited.attachment.reset();
  const String copy = text;  // `text` may be our own string
  splice(range, copy, {AttributeRun{NSRange{0, copy.length()}, inherited}});
}

void MutableAttributedString::replaceCharactersInRange(NSRange range,
                                                       const AttributedString& text) {
  if (!rangeFitsLength(range, length())) {
    raiseRangeException("replaceCharactersInRange", range.location, range.length, length());
  }
  const AttributedString copy = text;  // `text` may be this very object
  splice(range, copy.string(), copy.runs());
}

void MutableAttributedString::insertAttributedString(const AttributedString& text,
                                                     NSUInteger index) {
  if (index > length()) raiseRangeException("insertAttributedString", index, 0, length());
  replaceCharactersInRange(NSRange{index, 0}, text);
}

void MutableAttributedString::appendAttributedString(const AttributedString& text) {
  replaceCharactersInRange(NSRange{length(), 0}, text);
}

void MutableAttributedString::appendString(const String& text, const TextAttributes& attributes) {
  const String copy = text;
  splice(NSRange{length(), 0}, copy,
         {AttributeRun{NSRange{0, copy.length()}, normalized(attributes)}});
}

void MutableAttributedString::deleteCharactersInRange(NSRange range) {
  if (!rangeFitsLength(range, length())) {
    raiseRangeException("deleteCharactersInRange", range.location, range.length, length());
  }
  splice(range, String(u""), {});
}

void MutableAttributedString::setAttributes(const TextAttributes& attributes, NSRange range) {
  if (!rangeFitsLength(range, length())) {
    raiseRangeException("setAttributes", range.location, range.length, length());
  }
  if (range.length == 0) return;
  const TextAttributes style = normalized(attributes);
  std::vector<AttributeRun> runs;
  runs.reserve(runs_.size() + 2);
  for (const AttributeRun& run : runs_) {
    const NSUInteger start = run.range.location;
    const NSUInteger end = NSMaxRange(run.range);
    if (start < range.location) {
      pushRun(runs, NSRange{start, std::min(end, range.location) - start}, run.attributes);
    }
    if (end > range.location && start < NSMaxRange(range)) {
      const NSUInteger from = std::max(start, range.location);
      pushRun(runs, NSRange{from, std::min(end, NSMaxRange(range)) - from}, style);
    }
    if (end > NSMaxRange(range)) {
      const NSUInteger from = std::max(start, NSMaxRange(range));
      pushRun(runs, NSRange{from, end - from}, run.attributes);
    }
  }
  runs_ = std::move(runs);
}

void MutableAttributedString::setAttributedString(const AttributedString& text) {
  replaceCharactersInRange(NSRange{0, length()}, text);
}

}  // namespace orvin
