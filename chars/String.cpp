#include "chars/String.h"

#include <unicode/ustring.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <ostream>

#include "chars/MutableString.h"
#include "chars/PlatformException.h"
#include "chars/StandardWalk.h"
#include "chars/StringServices.h"
#include "chars/internal/StringSearch.h"
#include "chars/internal/StringStorage.h"

namespace orvin {
namespace {

// Empty UTF-16 strings still hand out a valid direct pointer.
unichar gNoUnits[1] = {0};

void retain(StringStorage* s) noexcept {
  if (s != nullptr) s->refs.fetch_add(1, std::memory_order_relaxed);
}

void releaseStorage(StringStorage* s) noexcept {
  if (s == nullptr) return;
  // A sole owner needs no atomic decrement: no other value can reach the
  // storage to change the count meanwhile.
  if (s->refs.load(std::memory_order_acquire) != 1 &&
      s->refs.fetch_sub(1, std::memory_order_acq_rel) != 1) {
    return;
  }
  switch (s->kind) {
    case StringStorage::Kind::Utf16Owned:
    case StringStorage::Kind::Latin1:
      if (!s->unitsInBlock && s->units != gNoUnits) std::free(s->units);
      break;
    case StringStorage::Kind::Utf16Adopted:
      if (s->release != nullptr) s->release(static_cast<unichar*>(s->units));
      break;
    case StringStorage::Kind::Utf16Wrapped:
      break;
  }
  s->~StringStorage();
  std::free(s);
}

// A storage header followed by `extraBytes` in the same block.
StringStorage* newStorageBlock(StringStorage::Kind kind, NSUInteger length,
                               std::size_t extraBytes) noexcept {
  void* block = std::malloc(sizeof(StringStorage) + extraBytes);
  if (block == nullptr) return nullptr;
  auto* s = new (block) StringStorage;
  s->kind = kind;
  s->length = length;
  s->capacity = length;
  return s;
}

StringStorage* newStorage(StringStorage::Kind kind, void* units, NSUInteger length,
                          NSUInteger capacity) noexcept {
  StringStorage* s = newStorageBlock(kind, length, 0);
  if (s == nullptr) return nullptr;
  s->units = units;
  s->capacity = capacity;
  return s;
}

// Owned storage of `length` units, uninitialised, in one block with its
// header (one allocation per string); nullptr when out of memory.
StringStorage* newOwned(StringStorage::Kind kind, NSUInteger length) noexcept {
  const std::size_t unitSize = kind == StringStorage::Kind::Latin1 ? 1 : sizeof(unichar);
  if (length > static_cast<NSUInteger>(PTRDIFF_MAX / 2) / unitSize) return nullptr;
  if (length == 0) return newStorage(kind, gNoUnits, 0, 0);
  StringStorage* s = newStorageBlock(kind, length, length * unitSize);
  if (s == nullptr) return nullptr;
  s->units = s + 1;
  s->unitsInBlock = true;
  return s;
}

// Length of the ASCII run at the start of `bytes`, looking at 32 bytes at a
// time while there is no byte from 0x80 up.
std::size_t asciiPrefixLength(std::string_view bytes) noexcept {
  constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
  const char* p = bytes.data();
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    std::uint64_t w[4];
    std::memcpy(w, p + i, sizeof w);
    if (((w[0] | w[1] | w[2] | w[3]) & kHighBits) != 0) break;
  }
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, sizeof w);
    if ((w & kHighBits) != 0) break;
  }
  while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
  return i;
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

String::String(std::string_view utf8) : String(withUtf8(utf8)) {}

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
  const std::size_t ascii = asciiPrefixLength(bytes);
  if (ascii == bytes.size()) return withLatin1(bytes);
  if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) return String();
  // One pass: UTF-8 never takes fewer bytes than UTF-16 takes units, so the
  // byte count is room enough; the ASCII run is widened here, the rest is
  // decoded once, and the block is trimmed to what was written.
  const std::size_t capacity = bytes.size();
  auto* units = static_cast<unichar*>(std::malloc(capacity * sizeof(unichar)));
  if (units == nullptr) return String();
  std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(ascii), units);
  UErrorCode status = U_ZERO_ERROR;
  int32_t written = 0;
  u_strFromUTF8(units + ascii, static_cast<int32_t>(capacity - ascii), &written,
                bytes.data() + ascii, static_cast<int32_t>(bytes.size() - ascii), &status);
  if (U_FAILURE(status)) {
    std::free(units);
    return String();
  }
  const NSUInteger length = ascii + static_cast<NSUInteger>(written);
  if (length < capacity) {
    if (void* trimmed = std::realloc(units, length * sizeof(unichar))) {
      units = static_cast<unichar*>(trimmed);
    }
  }
  StringStorage* s = newStorage(StringStorage::Kind::Utf16Owned, units, length, length);
  if (s == nullptr) std::free(units);
  return String(s);
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

const std::uint8_t* String::latin1Ptr() const noexcept {
  return storage_ != nullptr && !storage_->isUtf16() ? storage_->latin1() : nullptr;
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
  return withDirectUnits(a, NSRange{0, n}, [&](auto* pa, NSUInteger) {
    return withDirectUnits(b, NSRange{0, n}, [&](auto* pb, NSUInteger) {
      return detail::mismatchUnits(pa, pb, n) == n;
    });
  });
}

std::strong_ordering operator<=>(const String& a, const String& b) noexcept {
  if (a.isNil() || b.isNil()) return !a.isNil() <=> !b.isNil();
  const int order = withDirectUnits(a, NSRange{0, a.length()}, [&](auto* pa, NSUInteger na) {
    return withDirectUnits(b, NSRange{0, b.length()}, [&](auto* pb, NSUInteger nb) {
      return detail::compareUnits(pa, na, pb, nb);
    });
  });
  return order <=> 0;
}

std::ostream& operator<<(std::ostream& out, const String& s) {
  if (s.isNil()) return out << "(null)";
  return out << s.toUtf8();
}

bool CaseInsensitiveLess::operator()(const String& a, const String& b) const {
  if (a.isNil() || b.isNil()) return a.isNil() && !b.isNil();
  return compareRange(a, NSRange{0, a.length()}, b, kCompareCaseInsensitive) == NSOrderedAscending;
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

bool String::adoptUtf16(unichar* units, NSUInteger length, NSUInteger capacity) noexcept {
  StringStorage* fresh = newStorage(StringStorage::Kind::Utf16Owned, units, length, capacity);
  if (fresh == nullptr) return false;
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
