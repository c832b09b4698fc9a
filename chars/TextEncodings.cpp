#include "chars/TextEncodings.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <utility>

#include "chars/StandardWalk.h"
#include "chars/WorkMemory.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

enum class Codec {
  Ascii,     // by hand: a range check, compact result
  Latin1,    // by hand: every byte is its code unit, compact result
  Utf8,      // ICU, with an ASCII shortcut and a dropped leading mark
  NeXTSTEP,  // by hand: ICU has no table for it
  Icu,
};

struct EncodingEntry {
  NSUInteger encoding;
  const char* name;  // the ICU converter name (NeXTSTEP: a label only)
  Codec codec;
  // Bytes below 0x80 always decode to the same code units, so ASCII-only
  // input can take the compact shortcut.
  bool asciiCompatible;
};

constexpr EncodingEntry kEncodings[] = {
    {NSASCIIStringEncoding, "US-ASCII", Codec::Ascii, true},
    {NSNEXTSTEPStringEncoding, "NeXTSTEP", Codec::NeXTSTEP, true},
    {NSJapaneseEUCStringEncoding, "EUC-JP", Codec::Icu, true},
    {NSUTF8StringEncoding, "UTF-8", Codec::Utf8, true},
    {NSISOLatin1StringEncoding, "ISO-8859-1", Codec::Latin1, true},
    {NSShiftJISStringEncoding, "Shift_JIS", Codec::Icu, true},
    {NSISOLatin2StringEncoding, "ISO-8859-2", Codec::Icu, true},
    {NSUnicodeStringEncoding, "UTF-16", Codec::Icu, false},
    {NSWindowsCP1251StringEncoding, "windows-1251", Codec::Icu, true},
    {NSWindowsCP1252StringEncoding, "windows-1252", Codec::Icu, true},
    {NSWindowsCP1253StringEncoding, "windows-1253", Codec::Icu, true},
    {NSWindowsCP1254StringEncoding, "windows-1254", Codec::Icu, true},
    {NSWindowsCP1250StringEncoding, "windows-1250", Codec::Icu, true},
    {NSISO2022JPStringEncoding, "ISO-2022-JP", Codec::Icu, false},
    {NSMacOSRomanStringEncoding, "macintosh", Codec::Icu, true},
    {NSUTF16BigEndianStringEncoding, "UTF-16BE", Codec::Icu, false},
    {NSUTF16LittleEndianStringEncoding, "UTF-16LE", Codec::Icu, false},
    {NSUTF32StringEncoding, "UTF-32", Codec::Icu, false},
    {NSUTF32BigEndianStringEncoding, "UTF-32BE", Codec::Icu, false},
    {NSUTF32LittleEndianStringEncoding, "UTF-32LE", Codec::Icu, false},
};

const EncodingEntry* findEncoding(NSUInteger encoding) {
  for (const EncodingEntry& e : kEncodings) {
    if (e.encoding == encoding) return &e;
  }
  return nullptr;
}

// NeXTSTEP bytes 0x80..0xFF (Unicode's NEXTSTEP.TXT); 0 marks the two
// unassigned bytes.
constexpr unichar kNeXTSTEPHigh[128] = {
    0x00A0, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB,
    0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D9,
    0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00B5, 0x00D7, 0x00F7, 0x00A9, 0x00A1, 0x00A2, 0x00A3,
    0x2044, 0x00A5, 0x0192, 0x00A7, 0x00A4, 0x2019, 0x201C, 0x00AB, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x00AE, 0x2013, 0x2020, 0x2021, 0x00B7, 0x00A6, 0x00B6, 0x2022, 0x201A, 0x201E, 0x201D, 0x00BB,
    0x2026, 0x2030, 0x00AC, 0x00BF, 0x00B9, 0x02CB, 0x00B4, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9,
    0x00A8, 0x00B2, 0x02DA, 0x00B8, 0x00B3, 0x02DD, 0x02DB, 0x02C7, 0x2014, 0x00B1, 0x00BC, 0x00BD,
    0x00BE, 0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
    0x00EC, 0x00C6, 0x00ED, 0x00AA, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x0141, 0x00D8, 0x0152, 0x00BA,
    0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00E6, 0x00F9, 0x00FA, 0x00FB, 0x0131, 0x00FC, 0x00FD,
    0x0142, 0x00F8, 0x0153, 0x00DF, 0x00FE, 0x00FF, 0,      0,
};

// ICU's Shift_JIS table follows the IBM PC habit of rotating the controls
// 0x1A, 0x1C and 0x7F; text files expect them as in ASCII.
unichar shiftJisFromIcu(unichar c) {
  switch (c) {
    case 0x1C:
      return 0x1A;
    case 0x7F:
      return 0x1C;
    case 0x1A:
      return 0x7F;
    default:
      return c;
  }
}
unichar shiftJisToIcu(unichar c) {
  switch (c) {
    case 0x1A:
      return 0x1C;
    case 0x1C:
      return 0x7F;
    case 0x7F:
      return 0x1A;
    default:
      return c;
  }
}
bool isRotatedControl(unichar c) {
  return c == 0x1A || c == 0x1C || c == 0x7F;
}

// ICU refuses windows above 2^31 bytes or 2^30 code units per call.
constexpr NSUInteger kIcuChunk = NSUInteger{1} << 29;
std::atomic<NSUInteger> chunkLimit{kIcuChunk};

NSUInteger chunk(NSUInteger remaining) {
  return std::min(remaining, chunkLimit.load(std::memory_order_relaxed));
}

bool allAscii(const unsigned char* p, NSUInteger n) {
  return std::all_of(p, p + n, [](unsigned char b) { return b < 0x80; });
}

String compactFromBytes(const unsigned char* p, NSUInteger n) {
  return String::withLatin1(std::string_view(reinterpret_cast<const char*>(p), n));
}

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter openConverter(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter c(ucnv_open(name, &status));
  if (U_FAILURE(status)) return nullptr;
  return c;
}

// A growing block of code units from the work allocator, handed to the
// result string without a copy when it is not mostly empty.
class UnitBuffer {
 public:
  ~UnitBuffer() { releaseWorkMemory(data_); }

  bool reserve(NSUInteger capacity) {
    if (capacity <= capacity_) return true;
    if (capacity > NSUInteger{PTRDIFF_MAX} / sizeof(unichar)) return false;
    auto* grown = static_cast<unichar*>(allocateWorkMemory(capacity * sizeof(unichar)));
    if (grown == nullptr) return false;
    if (size_ != 0) std::memcpy(grown, data_, size_ * sizeof(unichar));
    releaseWorkMemory(data_);
    data_ = grown;
    capacity_ = capacity;
    return true;
  }
  bool grow() { return reserve(capacity_ < 16 ? 32 : capacity_ * 2); }

  unichar* data() { return data_; }
  NSUInteger size() const { return size_; }
  NSUInteger capacity() const { return capacity_; }
  void setSize(NSUInteger size) { size_ = size; }

  String take() {
    if (size_ == 0) return String(u"");
    if (size_ * 2 < capacity_) return String::withCharacters(data_, size_);
    unichar* block = std::exchange(data_, nullptr);
    capacity_ = 0;
    return String::adoptingCharacters(block, std::exchange(size_, 0),
                                      [](unichar* p) { releaseWorkMemory(p); });
  }

 private:
  unichar* data_ = nullptr;
  NSUInteger size_ = 0;
  NSUInteger capacity_ = 0;
};

String decodeWithIcu(const EncodingEntry& entry, const char* source, NSUInteger length) {
  Converter cnv = openConverter(entry.name);
  if (!cnv) return String();
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setToUCallBack(cnv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  if (U_FAILURE(status)) return String();

  // Most encodings give at most one code unit per smallest character; grow
  // for the rest.
  const auto minSize = static_cast<NSUInteger>(std::max<int8_t>(ucnv_getMinCharSize(cnv.get()), 1));
  UnitBuffer out;
  if (!out.reserve(length / minSize + 1)) return String();

  const char* s = source;
  const char* const end = source + length;
  for (;;) {
    UChar* t = out.data() + out.size();
    UChar* const tLimit = t + chunk(out.capacity() - out.size());
    const char* const sLimit = s + chunk(static_cast<NSUInteger>(end - s));
    const bool flush = sLimit == end;
    status = U_ZERO_ERROR;
    ucnv_toUnicode(cnv.get(), &t, tLimit, &s, sLimit, nullptr, flush, &status);
    out.setSize(static_cast<NSUInteger>(t - out.data()));
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      if (out.size() == out.capacity() && !out.grow()) return String();
      continue;
    }
    if (U_FAILURE(status)) return String();
    if (flush) break;
  }
  if (entry.encoding == NSShiftJISStringEncoding) {
    std::transform(out.data(), out.data() + out.size(), out.data(), shiftJisFromIcu);
  }
  return out.take();
}

String decodeNeXTSTEP(const unsigned char* p, NSUInteger length) {
  UnitBuffer out;
  if (!out.reserve(length)) return String();
  for (NSUInteger i = 0; i < length; ++i) {
    const unichar c = p[i] < 0x80 ? p[i] : kNeXTSTEPHigh[p[i] - 0x80];
    if (c == 0 && p[i] != 0) return String();
    out.data()[i] = c;
  }
  out.setSize(length);
  return out.take();
}

// Encodes through ICU into `out`; false when a character cannot be
// represented (without lossy) or ICU fails.
bool encodeWithIcu(const EncodingEntry& entry, const unichar* chars, NSUInteger length,
                   bool allowLossy, std::string& out) {
  Converter cnv = openConverter(entry.name);
  if (!cnv) return false;
  UErrorCode status = U_ZERO_ERROR;
  if (allowLossy) {
    ucnv_setSubstString(cnv.get(), u"?", 1, &status);
    ucnv_setFromUCallBack(cnv.get(), UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                          &status);
  } else {
    ucnv_setFromUCallBack(cnv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  }
  if (U_FAILURE(status)) return false;

  const auto minSize = static_cast<NSUInteger>(std::max<int8_t>(ucnv_getMinCharSize(cnv.get()), 1));
  out.resize(length * minSize + 8);  // room for a byte-order mark
  NSUInteger used = 0;
  const UChar* s = chars;
  const UChar* const end = chars + length;
  for (;;) {
    char* const base = out.data();
    char* t = base + used;
    char* const tLimit = t + chunk(out.size() - used);
    const UChar* const sLimit = s + chunk(static_cast<NSUInteger>(end - s));
    const bool flush = sLimit == end;
    status = U_ZERO_ERROR;
    ucnv_fromUnicode(cnv.get(), &t, tLimit, &s, sLimit, nullptr, flush, &status);
    used = static_cast<NSUInteger>(t - base);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      if (used == out.size()) out.resize(out.size() * 2);
      continue;
    }
    if (U_FAILURE(status)) return false;
    if (flush) break;
  }
  out.resize(used);
  return true;
}

bool encodeNeXTSTEP(const unichar* chars, NSUInteger length, bool allowLossy, std::string& out) {
  out.reserve(length);
  for (NSUInteger i = 0; i < length; ++i) {
    const unichar c = chars[i];
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    const unichar* const hit = std::find(std::begin(kNeXTSTEPHigh), std::end(kNeXTSTEPHigh), c);
    if (hit != std::end(kNeXTSTEPHigh)) {
      out.push_back(static_cast<char>(0x80 + (hit - std::begin(kNeXTSTEPHigh))));
      continue;
    }
    if (!allowLossy) return false;
    // One '?' per character, so a surrogate pair gives one.
    if (U16_IS_LEAD(c) && i + 1 < length && U16_IS_TRAIL(chars[i + 1])) ++i;
    out.push_back('?');
  }
  return true;
}

bool encodeUnits(const EncodingEntry& entry, const unichar* chars, NSUInteger length,
                 bool allowLossy, std::string& out) {
  if (entry.codec == Codec::NeXTSTEP) return encodeNeXTSTEP(chars, length, allowLossy, out);
  if (entry.encoding == NSShiftJISStringEncoding &&
      std::any_of(chars, chars + length, isRotatedControl)) {
    WorkBuffer rotated(length);
    if (!rotated.ok()) return false;
    std::transform(chars, chars + length, rotated.data(), shiftJisToIcu);
    return encodeWithIcu(entry, rotated.data(), length, allowLossy, out);
  }
  return encodeWithIcu(entry, chars, length, allowLossy, out);
}

bool isValidUtf8(const unsigned char* p, NSUInteger length) {
  NSUInteger i = 0;
  while (i < length) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    UChar32 c;
    U8_NEXT(p, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

}  // namespace

bool isEncodingSupported(NSUInteger encoding) {
  return encodingName(encoding) != nullptr;
}

const char* encodingName(NSUInteger encoding) {
  const EncodingEntry* entry = findEncoding(encoding);
  if (entry == nullptr) return nullptr;
  if (entry->codec == Codec::Icu || entry->codec == Codec::Utf8) {
    if (!openConverter(entry->name)) return nullptr;
  }
  return entry->name;
}

String stringWithBytes(const void* bytes, NSUInteger length, NSUInteger encoding) {
  const EncodingEntry* entry = findEncoding(encoding);
  if (entry == nullptr) return String();
  if (length == 0) return String(u"");
  if (bytes == nullptr) return String();
  auto* p = static_cast<const unsigned char*>(bytes);

  if (entry->codec == Codec::Utf8 && length >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
    p += 3;
    length -= 3;
  }
  if (entry->asciiCompatible && allAscii(p, length)) return compactFromBytes(p, length);
  switch (entry->codec) {
    case Codec::Ascii:
      return String();  // a byte from 0x80 up
    case Codec::Latin1:
      return compactFromBytes(p, length);
    case Codec::NeXTSTEP:
      return decodeNeXTSTEP(p, length);
    case Codec::Utf8:
    case Codec::Icu:
      return decodeWithIcu(*entry, reinterpret_cast<const char*>(p), length);
  }
  return String();
}

std::optional<std::string> bytesOfString(const String& s, NSUInteger encoding, bool allowLossy) {
  const EncodingEntry* entry = findEncoding(encoding);
  if (entry == nullptr || s.isNil()) return std::nullopt;
  try {
    std::string out;
    const bool ok = walkCharacters(s, true, false, [&](const unichar* chars, NSUInteger length) {
      return encodeUnits(*entry, chars, length, allowLossy, out);
    });
    if (!ok) return std::nullopt;
    return out;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

NSUInteger detectEncoding(const void* bytes, NSUInteger length) {
  if (bytes == nullptr) return length == 0 ? NSUInteger{NSUTF8StringEncoding} : 0;
  auto* p = static_cast<const unsigned char*>(bytes);
  const auto startsWith = [&](std::initializer_list<unsigned char> mark) {
    return length >= mark.size() && std::equal(mark.begin(), mark.end(), p);
  };
  if ((startsWith({0x00, 0x00, 0xFE, 0xFF}) || startsWith({0xFF, 0xFE, 0x00, 0x00})) &&
      length % 4 == 0) {
    return NSUTF32StringEncoding;
  }
  if ((startsWith({0xFE, 0xFF}) || startsWith({0xFF, 0xFE})) && length % 2 == 0) {
    return NSUnicodeStringEncoding;
  }
  return isValidUtf8(p, length) ? NSUInteger{NSUTF8StringEncoding} : 0;
}

NSUInteger fastestEncoding(const String& s) {
  if (s.isNil()) return NSASCIIStringEncoding;
  return s.isCompact() ? NSISOLatin1StringEncoding : NSUnicodeStringEncoding;
}

NSUInteger smallestEncoding(const String& s) {
  return walkCharacters(
      s, NSUInteger{NSASCIIStringEncoding}, NSUInteger{NSUnicodeStringEncoding},
      [](const unichar* chars, NSUInteger length) -> NSUInteger {
        unichar widest = 0;
        NSUInteger utf8Bytes = 0;
        for (NSUInteger i = 0; i < length; ++i) {
          const unichar c = chars[i];
          widest = std::max(widest, c);
          if (c < 0x80) {
            utf8Bytes += 1;
          } else if (c < 0x800) {
            utf8Bytes += 2;
          } else if (!U16_IS_SURROGATE(c)) {
            utf8Bytes += 3;
          } else if (U16_IS_LEAD(c) && i + 1 < length && U16_IS_TRAIL(chars[i + 1])) {
            utf8Bytes += 4;
            ++i;
          } else {
            return NSUnicodeStringEncoding;  // unpaired surrogate
          }
        }
        if (widest < 0x80) return NSASCIIStringEncoding;
        if (widest < 0x100) return NSISOLatin1StringEncoding;
        return utf8Bytes <= 2 * length + 2 ? NSUTF8StringEncoding : NSUnicodeStringEncoding;
      });
}

namespace testhooks {
void setConversionChunkLimit(NSUInteger units) noexcept {
  chunkLimit.store(units == 0 ? kIcuChunk : units, std::memory_order_relaxed);
}
}  // namespace testhooks

}  // namespace orvin
