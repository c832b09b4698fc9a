#include "support/NumberFormatter.h"

#include <unicode/decimfmt.h>
#include <unicode/locid.h>
#include <unicode/numberformatter.h>
#include <unicode/unistr.h>

#include <cstdlib>
#include <string>

#include "chars/StringFormat.h"
#include "chars/WorkMemory.h"
#include "chars/internal/LazyCache.h"
#include "support/UserLocale.h"
#include "support/internal/LibraryTexts.h"

namespace orvin {

struct NumberFormatter::Icu {
  icu::number::LocalizedNumberFormatter formatter;
};

namespace {

std::string numericLocale() {
  return localeFromEnvironment(std::getenv("LC_ALL"), std::getenv("LC_NUMERIC"),
                               std::getenv("LANG"));
}

String render(const icu::number::FormattedNumber& number, UErrorCode status) {
  if (U_FAILURE(status)) return String();
  const icu::UnicodeString text = number.toString(status);
  if (U_FAILURE(status) || text.isBogus()) return String();
  return String::withCharacters(text.getBuffer(), static_cast<NSUInteger>(text.length()));
}

const NumberFormatter* shared(LazyCache<NumberFormatter>& cache, const char16_t* pattern) {
  return cache.get([&] { return NumberFormatter::withPattern(pattern, {}).release(); },
                   [](NumberFormatter* lost) { delete lost; });
}

String orEmpty(const String& text) {
  return text.isNil() ? String(u"") : text;
}

LazyCache<NumberFormatter> intCache, floatCache, sizeCache;

}  // namespace

NumberFormatter::NumberFormatter(std::unique_ptr<Icu> icu) noexcept : icu_(std::move(icu)) {}
NumberFormatter::~NumberFormatter() = default;

void* NumberFormatter::operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
  return allocateWorkMemory(bytes);
}
void NumberFormatter::operator delete(void* block) noexcept {
  releaseWorkMemory(block);
}
void NumberFormatter::operator delete(void* block, const std::nothrow_t&) noexcept {
  releaseWorkMemory(block);
}

std::unique_ptr<NumberFormatter> NumberFormatter::withPattern(const String& pattern,
                                                              std::string_view localeIdentifier) {
  if (pattern.isNil()) return nullptr;
  try {
    const std::string locale =
        localeIdentifier.empty() ? numericLocale() : std::string(localeIdentifier);
    const icu::Locale icuLocale(locale.c_str());
    if (icuLocale.isBogus()) return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    // The pattern with the locale's symbols; the sign setting keeps values
    // that round to zero from showing as "-0".
    icu::DecimalFormatSymbols* symbols = new icu::DecimalFormatSymbols(icuLocale, status);
    const std::u16string text = pattern.toU16String();
    icu::DecimalFormat decimal(icu::UnicodeString(text.data(), static_cast<int32_t>(text.size())),
                               symbols, status);
    if (U_FAILURE(status)) return nullptr;
    const icu::number::LocalizedNumberFormatter* made = decimal.toNumberFormatter(status);
    if (U_FAILURE(status) || made == nullptr) return nullptr;
    auto icu = std::make_unique<Icu>(Icu{made->sign(UNUM_SIGN_NEGATIVE)});
    return std::unique_ptr<NumberFormatter>(new (std::nothrow) NumberFormatter(std::move(icu)));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

String NumberFormatter::format(std::int64_t value) const {
  UErrorCode status = U_ZERO_ERROR;
  return render(icu_->formatter.formatInt(value, status), status);
}

String NumberFormatter::format(double value) const {
  UErrorCode status = U_ZERO_ERROR;
  return render(icu_->formatter.formatDouble(value, status), status);
}

const NumberFormatter* intFormatter() {
  return shared(intCache, u"#,##0");
}
const NumberFormatter* integerFormatter() {
  return intFormatter();
}
const NumberFormatter* floatFormatter() {
  return shared(floatCache, u"#,##0.##");
}

String stringForInt(const NumberFormatter& formatter, std::int32_t value) {
  return orEmpty(formatter.format(std::int64_t{value}));
}
String stringForInteger(const NumberFormatter& formatter, std::int64_t value) {
  return orEmpty(formatter.format(value));
}
String stringForFloat(const NumberFormatter& formatter, float value) {
  return orEmpty(formatter.format(static_cast<double>(value)));
}

String stringForInt(std::int32_t value) {
  const NumberFormatter* formatter = intFormatter();
  return formatter != nullptr ? stringForInt(*formatter, value) : String(u"");
}
String stringForInteger(std::int64_t value) {
  const NumberFormatter* formatter = integerFormatter();
  return formatter != nullptr ? stringForInteger(*formatter, value) : String(u"");
}
String stringForFloat(float value) {
  const NumberFormatter* formatter = floatFormatter();
  return formatter != nullptr ? stringForFloat(*formatter, value) : String(u"");
}

String stringForSize(std::uint64_t size) {
  struct Unit {
    int shift;
    const char* text;
  };
  static constexpr Unit kUnits[] = {{40, "%@ TB"}, {30, "%@ GB"}, {20, "%@ MB"}, {10, "%@ KB"}};
  for (const Unit& unit : kUnits) {
    if (size < (std::uint64_t{1} << unit.shift)) continue;
    // Single precision, as the house style has it; the scale is exact.
    const float value =
        static_cast<float>(size) / static_cast<float>(std::uint64_t{1} << unit.shift);
    const NumberFormatter* formatter = shared(sizeCache, u"#,##0.#");
    if (formatter == nullptr) return String(u"");
    return orEmpty(
        stringWithFormat(detail::libraryText(unit.text), {stringForFloat(*formatter, value)}));
  }
  return orEmpty(stringWithFormat(detail::libraryText("%d bytes"), {size}));
}

}  // namespace orvin
