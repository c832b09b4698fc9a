// Reads arbitrary bytes as RTF and as RTFD. Whatever reads must write and read
// back: the first round trip may only settle line ends (CR, CR LF and U+2029
// become "\n"), and from then on text and runs stay exactly the same. The
// plain-character read must agree with the attributed one (\line aside,
// which it gives as "\n"). Run with -dict=fuzz/rtf_reader_fuzz.dict.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "support/formats/AttributedString.h"
#include "support/formats/RtfReader.h"
#include "support/formats/Rtfd.h"

using orvin::AttributedString;
using orvin::DocumentAttributes;
using orvin::NSRange;

namespace {

std::u16string settledLineEnds(const std::u16string& text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    out += (c == u'\r' || c == u'\u2029') ? u'\n' : c;
  }
  return out;
}

std::optional<AttributedString> again(const AttributedString& s, bool rtfd) {
  const NSRange all{0, s.length()};
  const std::optional<std::string> bytes =
      rtfd ? s.RTFDFromRange(all, nullptr) : s.RTFFromRange(all, nullptr);
  if (!bytes) std::abort();
  return rtfd ? AttributedString::initWithRTFD(*bytes, nullptr)
              : AttributedString::initWithRTF(*bytes, nullptr);
}

void check(const std::optional<AttributedString>& first, const orvin::String& characters,
           bool rtfd) {
  if (first.has_value() != !characters.isNil()) std::abort();
  if (!first) return;
  // A \uN of U+2028 stays in both; only \line differs.
  auto lineFeeds = [](std::u16string text) {
    for (char16_t& c : text) {
      if (c == u'\u2028') c = u'\n';
    }
    return text;
  };
  if (lineFeeds(characters.toU16String()) != lineFeeds(first->string().toU16String())) {
    std::abort();
  }
  NSRange covered{0, 0};
  for (const auto& run : first->runs()) {
    if (run.range.location != covered.length || run.range.length == 0) std::abort();
    covered.length += run.range.length;
  }
  if (covered.length != first->length()) std::abort();

  const std::optional<AttributedString> second = again(*first, rtfd);
  if (!second) std::abort();
  if (second->string().toU16String() != settledLineEnds(first->string().toU16String())) {
    std::abort();
  }
  const std::optional<AttributedString> third = again(*second, rtfd);
  if (!third || !(*third == *second)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  DocumentAttributes doc;
  check(AttributedString::initWithRTF(bytes, &doc), orvin::readRTFCharacters(bytes, nullptr),
        false);
  check(AttributedString::initWithRTFD(bytes, &doc), orvin::readRTFDCharacters(bytes, nullptr),
        true);
  return 0;
}
