// Unwrapping hard-wrapped mail at 1 KiB, 64 KiB and 1 MiB (linear in size),
// beside a plain copy of the text (the floor) and the ICU regular expression
// a user might otherwise write for the common case: join a single line break
// unless the next line is indented, a list item or a quotation.
#include <benchmark/benchmark.h>
#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <memory>
#include <string>

#include "chars/String.h"
#include "strings/MailReflow.h"

namespace {

// A mail of about `bytes` code units: wrapped paragraphs, a quotation, a
// list, CR LF line ends.
std::u16string mailOf(std::size_t bytes) {
  static const std::u16string block =
      u"Dear team,\r\n\r\n"
      u"thank you for the notes on the draft. I went through them this morning and\r\n"
      u"folded most of them into the text; the rest need a word with the authors\r\n"
      u"before I change anything.\r\n\r\n"
      u"> Could the second section be shorter? It repeats the introduction and\r\n"
      u"> loses the reader before the first example.\r\n\r\n"
      u"Agreed. Open points:\r\n"
      u"- the figures in the appendix\r\n"
      u"- the order of the last two chapters\r\n\r\n"
      u"Best regards,   Ana\r\n\r\n";
  std::u16string mail;
  mail.reserve(bytes + block.size());
  while (mail.size() < bytes) mail += block;
  mail.resize(bytes);
  return mail;
}

void reflow(benchmark::State& state, const orvin::String& mail) {
  for (auto _ : state) {
    const orvin::String out = orvin::reformattedMailing(mail);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_ReformattedMailing_Utf16(benchmark::State& state) {
  reflow(state, orvin::String(mailOf(static_cast<std::size_t>(state.range(0)))));
}
BENCHMARK(BM_ReformattedMailing_Utf16)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20);

void BM_ReformattedMailing_Compact(benchmark::State& state) {
  const std::u16string text = mailOf(static_cast<std::size_t>(state.range(0)));
  reflow(state, orvin::String::withLatin1(std::string(text.begin(), text.end())));
}
BENCHMARK(BM_ReformattedMailing_Compact)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20);

void BM_MailCopyOnly(benchmark::State& state) {
  const std::u16string mail = mailOf(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    const orvin::String out = orvin::String::withCharacters(mail.data(), mail.size());
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MailCopyOnly)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20);

void BM_IcuRegexUnwrap(benchmark::State& state) {
  const std::u16string text = mailOf(static_cast<std::size_t>(state.range(0)));
  const icu::UnicodeString mail(false, text.data(), static_cast<int32_t>(text.size()));
  UErrorCode status = U_ZERO_ERROR;
  const std::unique_ptr<icu::RegexPattern> pattern(
      icu::RegexPattern::compile(u"(?<=[^\\s:>])\\r?\\n(?![\\s\\-/>}])|[ \\t]{2,}", 0, status));
  if (U_FAILURE(status)) {
    state.SkipWithError("pattern");
    return;
  }
  const icu::UnicodeString space(u" ");
  for (auto _ : state) {
    status = U_ZERO_ERROR;
    const std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(mail, status));
    const icu::UnicodeString out = matcher->replaceAll(space, status);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_IcuRegexUnwrap)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20);

}  // namespace
