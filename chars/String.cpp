#include "chars/String.h"

#include <unicode/ustring.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "chars/MutableString.h"
#include "chars/PlatformException.h"
#include "chars/internal/StringStorage.h"

namespace orvin {
namespace {

// Empty UTF-16 strings still hand out a valid direct pointer.
unichar gNoUnits[1] = {0};

void retain(StringStorage* s) noexcept {
  if (s != nullptr) s->refs.fetch_add(1, std::memory_order_relaxed);
}

void releaseStorage(StringStorage* s) noexcept {
  if (s == nullptr || s->refs.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  switch (s->kind) {
    case StringStorage::Kind::Utf16Owned:
    case StringStorage::Kind::Latin1:
      if (s->units != gNoUnits) std::free(s->units);
      break;
    case StringStorage::Kind::Utf16Adopted:
      if (s->release != nullptr) s->release(static_cast<unichar*>(s->units));
      break;
    case StringStorage::Kind::Utf16Wrapped:
      break;
  }
  delete s;
}

StringStorage* newStorage(StringStorage::Kind kind, void* units, NSUInteger length,
                          NSUInteger capacity) noexcept {
  auto* s = new (std::nothrow) StringStorage;
  if (s == nullptr) return nullptr;
  s->kind = kind;
  s->units = units;
  s->length = length;
  s->capacity = capacity;
  return s;
}

// Owned storage of `length` units, uninitialised; nullptr when out of memory.
StringStorage* newOwned(StringStorage::Kind kind, NSUInteger length) noexcept {
  const std::size_t unitSize = kind == StringStorage::Kind::Latin1 ? 1 : sizeof(unichar);
  if (length > static_cast<NSUInteger>(PTRDIFF_MAX) / unitSize) return nullptr;
  void* units = length == 0 ? static_cast<void*>(gNoUnits) : std::malloc(length * unitSize);
  if (units == nullptr) return nullptr;
  StringStorage* s = newStorage(kind, units, length, length);
  if (s == nullptr && units != gNoUnits) std::free(units);
  return s;
}

}  // namespace

String::String(const char16_t* text) {
  if (text != nullptr) *this = String(std::u16string_view(text));
}

String::String(std::u16string_view text)
    : storage_(newOwned(StringStorage::Kind::Utf16Owned, text.size())) {
  if (storage_ != nullptr && !text.empty()) {
    std::memcpy(storage_->units, text.data(), text.size() * sizeof(unichar));
  }
}

String::String(const String& other) noexcept : storage_(other.storage_) {
  retain(storage_);
}
String::String(String&& other) noexcept : storage_(other.storage_) {
  other.storage_ = nullptr;
}

String& String::operator=(const String& other) noexcept {
  retain(other.storage_);
  releaseStorage(storage_);
  storage_ = other.storage_;
  return *this;
}

String& String::operator=(String&& other) noexcept {
  if (this != &other) {
    releaseStorage(storage_);
    storage_ = other.storage_;
    other.storage_ = nullptr;
  }
  return *this;
}

String::~String() {
  releaseStorage(storage_);
}

String String::withCharacters(const unichar* chars, NSUInteger length) {
  if (chars == nullptr && length != 0) return String();
  return String(std::u16string_view(chars == nullptr ? u"" : chars, length));
}

String String::adoptingCharacters(unichar* chars, NSUInteger length, void (*release)(unichar*)) {
  if (chars == nullptr) return withCharacters(nullptr, length);
  StringStorage* s = newStorage(StringStorage::Kind::Utf16Adopted, chars, length, length);
  if (s == nullptr) {
    // The block was handed over: free it rather than leak it.
    if (release != nullptr) release(chars);
    return String();
  }
  s->release = release;
  return String(s);
}

String String::wrappingCharacters(const unichar* chars, NSUInteger length) {
  if (chars == nullptr) return withCharacters(nullptr, length);
  return String(
      newStorage(StringStorage::Kind::Utf16Wrapped, const_cast<unichar*>(chars), length, length));
}

String String::withLatin1(std::string_view bytes) {
  StringStorage* s = newOwned(StringStorage::Kind::Latin1, bytes.size());
  if (s != nullptr && !bytes.empty()) std::memcpy(s->units, bytes.data(), bytes.size());
  return String(s);
}

String String::withUtf8(std::string_view bytes) {
  if (std::all_of(bytes.begin(), bytes.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return withLatin1(bytes);
  }
  if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) return String();
  UErrorCode status = U_ZERO_ERROR;
  int32_t units = 0;
  u_strFromUTF8(nullptr, 0, &units, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return String();
  StringStorage* s = newOwned(StringStorage::Kind::Utf16Owned, static_cast<NSUInteger>(units));
  if (s == nullptr) return String();
  status = U_ZERO_ERROR;
  u_strFromUTF8(static_cast<UChar*>(s->units), units, nullptr, bytes.data(),
                static_cast<int32_t>(bytes.size()), &status);
  String result(s);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return String();
  return result;
}

NSUInteger String::length() const noexcept {
  return storage_ == nullptr ? 0 : storage_->length;
}

unichar String::characterAtIndex(NSUInteger index) const {
  if (index >= length()) raiseRangeException("characterAtIndex", index, 1, length());
  return storage_->isUtf16() ? storage_->utf16()[index] : storage_->latin1()[index];
}

const unichar* String::charactersPtr() const noexcept {
  return storage_ != nullptr && storage_->isUtf16() ? storage_->utf16() : nullptr;
}

void String::getCharacters(unichar* buffer, NSRange range) const {
  if (!rangeFitsLength(range, length())) {
    raiseRangeException("getCharacters", range.location, range.length, length());
  }
  if (range.length == 0) return;
  if (storage_->isUtf16()) {
    std::memcpy(buffer, storage_->utf16() + range.location, range.length * sizeof(unichar));
  } else {
    const std::uint8_t* bytes = storage_->latin1() + range.location;
    std::copy(bytes, bytes + range.length, buffer);
  }
}

bool String::isCompact() const noexcept {
  return storage_ != nullptr && !storage_->isUtf16();
}

String String::substring(NSRange range) const {
  if (!rangeFitsLength(range, length())) {
    raiseRangeException("substring", range.location, range.length, length());
  }
  if (range.location == 0 && range.length == length()) return *this;
  if (storage_->isUtf16()) return withCharacters(storage_->utf16() + range.location, range.length);
  // A compact string's pieces stay compact.
  return withLatin1(std::string_view(
      reinterpret_cast<const char*>(storage_->latin1()) + range.location, range.length));
}

String String::substringFromIndex(NSUInteger index) const {
  if (index > length()) raiseRangeException("substringFromIndex", index, 0, length());
  return substring(NSRange{index, length() - index});
}

String String::substringToIndex(NSUInteger index) const {
  if (index > length()) raiseRangeException("substringToIndex", 0, index, length());
  return substring(NSRange{0, index});
}

MutableString String::mutableCopy() const {
  return MutableString(*this);
}

std::u16string String::toU16String() const {
  std::u16string out(length(), u'\0');
  getCharacters(out.data(), NSRange{0, length()});
  return out;
}

std::string String::toUtf8() const {
  if (isCompact()) {
    std::string out;
    out.reserve(length());
    for (NSUInteger i = 0; i < length(); ++i) {
      const std::uint8_t b = storage_->latin1()[i];
      if (b < 0x80) {
        out.push_back(static_cast<char>(b));
      } else {
        out.push_back(static_cast<char>(0xC0 | (b >> 6)));
        out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
      }
    }
    return out;
  }
  if (length() == 0 || length() > static_cast<NSUInteger>(INT32_MAX / 3)) return std::string();
  std::string out(length() * 3, '\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t written = 0;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &written, charactersPtr(),
                     static_cast<int32_t>(length()), 0xFFFD, nullptr, &status);
  out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(written) : 0);
  return out;
}

bool operator==(const String& a, const String& b) noexcept {
  if (a.storage_ == b.storage_) return true;
  if (a.isNil() || b.isNil()) return false;
  const NSUInteger n = a.length();
  if (n != b.length()) return false;
  const unichar* pa = a.charactersPtr();
  const unichar* pb = b.charactersPtr();
  if (pa != nullptr && pb != nullptr) return std::memcmp(pa, pb, n * sizeof(unichar)) == 0;
  for (NSUInteger i = 0; i < n; ++i) {
    if (a.characterAtIndex(i) != b.characterAtIndex(i)) return false;
  }
  return true;
}

// --- the mutation primitives MutableString builds on ---

bool String::makeUniqueUtf16(NSUInteger capacity) {
  capacity = std::max(capacity, length());
  StringStorage* s = storage_;
  const bool unique = s != nullptr && s->refs.load(std::memory_order_acquire) == 1;
  if (unique && s->kind == StringStorage::Kind::Utf16Owned && s->capacity >= capacity &&
      s->units != gNoUnits) {
    return true;
  }
  if (capacity > static_cast<NSUInteger>(PTRDIFF_MAX) / sizeof(unichar)) return false;
  auto* units = static_cast<unichar*>(std::malloc(std::max<NSUInteger>(capacity, 1) * 2));
  if (units == nullptr) return false;
  const NSUInteger n = length();
  if (n != 0) getCharacters(units, NSRange{0, n});
  StringStorage* fresh =
      newStorage(StringStorage::Kind::Utf16Owned, units, n, std::max<NSUInteger>(capacity, 1));
  if (fresh == nullptr) {
    std::free(units);
    return false;
  }
  releaseStorage(storage_);
  storage_ = fresh;
  return true;
}

unichar* String::mutableCharacters() noexcept {
  return static_cast<unichar*>(storage_->units);
}

void String::setLengthUnchecked(NSUInteger length) noexcept {
  storage_->length = length;
}

}  // namespace orvin
