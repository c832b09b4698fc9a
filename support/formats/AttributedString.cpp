#include "support/formats/AttributedString.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>
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

// A hash that equal styles share (attachments compare by content).
std::size_t styleHash(const TextAttributes& a) {
  std::size_t h = a.fontName.isNil() ? 0 : a.fontName.hash();
  h = h * 31 + std::hash<double>()(a.fontSize);
  h = h * 8 + (a.bold ? 4 : 0) + (a.italic ? 2 : 0) + (a.underline ? 1 : 0);
  if (a.attachment) h = h * 31 + a.attachment->fileName.hash() + a.attachment->contents.size();
  return h;
}

}  // namespace

std::size_t AttributeRuns::size() const noexcept {
  return text_->runs_.size();
}

AttributeRun AttributeRuns::operator[](std::size_t index) const {
  return AttributeRun{text_->rangeOfRun(index), text_->styles_[text_->runs_[index].style]};
}

NSRange AttributedString::rangeOfRun(std::size_t index) const {
  const NSUInteger start = runs_[index].location;
  const NSUInteger end = index + 1 < runs_.size() ? runs_[index + 1].location : length();
  return NSRange{start, end - start};
}

std::vector<AttributeRun> AttributedString::expandedRuns() const {
  std::vector<AttributeRun> runs;
  runs.reserve(runs_.size());
  for (std::size_t i = 0; i < runs_.size(); ++i) {
    runs.push_back(AttributeRun{rangeOfRun(i), styles_[runs_[i].style]});
  }
  return runs;
}

void AttributedString::setRuns(const std::vector<AttributeRun>& runs) {
  std::vector<RunStart> starts;
  std::vector<TextAttributes> styles;
  std::unordered_multimap<std::size_t, std::uint32_t> byHash;
  starts.reserve(runs.size());
  for (const AttributeRun& run : runs) {
    const std::size_t h = styleHash(run.attributes);
    std::uint32_t style = static_cast<std::uint32_t>(styles.size());
    for (auto [it, end] = byHash.equal_range(h); it != end; ++it) {
      if (styles[it->second] == run.attributes) {
        style = it->second;
        break;
      }
    }
    if (style == styles.size()) {
      styles.push_back(run.attributes);
      byHash.emplace(h, style);
    }
    starts.push_back(RunStart{run.range.location, style});
  }
  runs_ = std::move(starts);
  styles_ = std::move(styles);
}

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
  if (text_.length() > 0) {
    runs_.push_back(RunStart{0, 0});
    styles_.push_back(normalized(attributes));
  }
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
  result.setRuns(runs);
  return result;
}

std::optional<AttributedString> AttributedString::withRunStarts(const String& text,
                                                                std::vector<TextAttributes> styles,
                                                                std::vector<RunStart> starts) {
  AttributedString result;
  result.text_ = MutableString(text);
  const NSUInteger length = result.text_.length();
  if (length == 0) return result;
  if (starts.empty() || starts.front().location != 0) return std::nullopt;
  for (TextAttributes& style : styles) style = normalized(std::move(style));
  std::size_t kept = 0;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const RunStart run = starts[i];
    if (run.style >= styles.size() || run.location >= length ||
        (i > 0 && run.location <= starts[i - 1].location)) {
      return std::nullopt;
    }
    if (kept > 0 && (starts[kept - 1].style == run.style ||
                     styles[starts[kept - 1].style] == styles[run.style])) {
      continue;
    }
    starts[kept++] = run;
  }
  starts.resize(kept);
  result.runs_ = std::move(starts);
  result.styles_ = std::move(styles);
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
  const auto it =
      std::upper_bound(runs_.begin(), runs_.end(), index,
                       [](NSUInteger i, const RunStart& run) { return i < run.location; });
  const auto at = static_cast<std::size_t>(it - runs_.begin()) - 1;
  if (effectiveRange != nullptr) *effectiveRange = rangeOfRun(at);
  return styles_[runs_[at].style];
}

AttributedString AttributedString::attributedSubstringFromRange(NSRange range) const {
  if (!rangeFitsLength(range, length())) {
    raiseRangeException("attributedSubstringFromRange", range.location, range.length, length());
  }
  AttributedString result;
  result.text_ = MutableString(text_.substring(range));
  std::vector<AttributeRun> runs;
  for (std::size_t i = 0; i < runs_.size(); ++i) {
    const NSRange run = rangeOfRun(i);
    const NSUInteger start = std::max(run.location, range.location);
    const NSUInteger end = std::min(NSMaxRange(run), NSMaxRange(range));
    if (start < end) {
      pushRun(runs, NSRange{start - range.location, end - start}, styles_[runs_[i].style]);
    }
  }
  result.setRuns(runs);
  return result;
}

bool AttributedString::containsAttachments() const {
  for (std::size_t i = 0; i < runs_.size(); ++i) {
    if (styles_[runs_[i].style].attachment == nullptr) continue;
    const NSRange run = rangeOfRun(i);
    for (NSUInteger c = run.location; c < NSMaxRange(run); ++c) {
      if (text_.characterAtIndex(c) == NSAttachmentCharacter) return true;
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
  if (!(a.text_ == b.text_) || a.runs_.size() != b.runs_.size()) return false;
  for (std::size_t i = 0; i < a.runs_.size(); ++i) {
    if (a.runs_[i].location != b.runs_[i].location ||
        !(a.styles_[a.runs_[i].style] == b.styles_[b.runs_[i].style])) {
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------

void MutableAttributedString::splice(NSRange range, const String& text,
                                     const std::vector<AttributeRun>& textRuns) {
  const NSUInteger oldLength = length();
  const NSUInteger added = text.length();
  const NSUInteger newLength = oldLength - range.length + added;
  if (range.location == oldLength && range.length == 0) {
    // Appending: the stored runs only grow.
    text_.replaceCharactersInRange(range, text);
    if (text_.length() != newLength) return;  // out of memory: nothing changed
    for (const AttributeRun& run : textRuns) {
      if (run.range.length == 0) continue;
      if (!runs_.empty() && styles_[runs_.back().style] == run.attributes) continue;
      const auto style = static_cast<std::uint32_t>(
          std::find(styles_.begin(), styles_.end(), run.attributes) - styles_.begin());
      if (style == styles_.size()) styles_.push_back(run.attributes);
      runs_.push_back(RunStart{oldLength + run.range.location, style});
    }
    return;
  }
  const std::vector<AttributeRun> old = expandedRuns();
  text_.replaceCharactersInRange(range, text);
  if (text_.length() != newLength) return;  // out of memory: nothing changed

  std::vector<AttributeRun> runs;
  runs.reserve(old.size() + textRuns.size() + 1);
  for (const AttributeRun& run : old) {
    if (run.range.location >= range.location) break;
    const NSUInteger end = std::min(NSMaxRange(run.range), range.location);
    pushRun(runs, NSRange{run.range.location, end - run.range.location}, run.attributes);
  }
  for (const AttributeRun& run : textRuns) {
    pushRun(runs, NSRange{range.location + run.range.location, run.range.length}, run.attributes);
  }
  for (const AttributeRun& run : old) {
    const NSUInteger end = NSMaxRange(run.range);
    if (end <= NSMaxRange(range)) continue;
    const NSUInteger start = std::max(run.range.location, NSMaxRange(range));
    pushRun(runs, NSRange{start - range.length + added, end - start}, run.attributes);
  }
  setRuns(runs);
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
  const std::vector<AttributeRun> runs(copy.runs().begin(), copy.runs().end());
  splice(range, copy.string(), runs);
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
  for (const AttributeRun& run : expandedRuns()) {
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
  setRuns(runs);
}

void MutableAttributedString::setAttributedString(const AttributedString& text) {
  replaceCharactersInRange(NSRange{0, length()}, text);
}

}  // namespace orvin
