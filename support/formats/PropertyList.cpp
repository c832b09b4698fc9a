#include "support/formats/PropertyList.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "chars/InlineCharacterBuffer.h"
#include "paths/Base64.h"

namespace orvin {

// ---------------------------------------------------------------------------
// The value

bool PropertyList::KeyOrder::operator()(const String& a, const String& b) const noexcept {
  const NSUInteger la = a.length();
  const NSUInteger lb = b.length();
  const unichar* pa = a.charactersPtr();
  const unichar* pb = b.charactersPtr();
  if (pa != nullptr && pb != nullptr) return std::lexicographical_compare(pa, pa + la, pb, pb + lb);
  InlineCharacterBuffer ia(a);
  InlineCharacterBuffer ib(b);
  const auto n = static_cast<NSInteger>(std::min(la, lb));
  for (NSInteger i = 0; i < n; ++i) {
    const unichar ca = ia.at(i);
    const unichar cb = ib.at(i);
    if (ca != cb) return ca < cb;
  }
  return la < lb;
}

PropertyList::PropertyList(const String& s) {
  if (!s.isNil()) value_ = s;
}

PropertyList::PropertyList(const char16_t* s) : PropertyList(String(s)) {}

PropertyList::PropertyList(Bytes data) : value_(std::make_shared<const Bytes>(std::move(data))) {}

PropertyList::PropertyList(Array items) : value_(std::make_shared<const Array>(std::move(items))) {}

PropertyList::PropertyList(Dictionary entries)
    : value_(std::make_shared<const Dictionary>(std::move(entries))) {}

String PropertyList::stringValue() const {
  const String* s = std::get_if<String>(&value_);
  return s != nullptr ? *s : String();
}

std::int64_t PropertyList::integerValue() const noexcept {
  if (const auto* i = std::get_if<std::int64_t>(&value_)) return *i;
  if (const auto* d = std::get_if<double>(&value_)) {
    if (std::isnan(*d)) return 0;
    // 2^63 is exactly representable; everything at or above it saturates.
    if (*d >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
    if (*d <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(*d);
  }
  return 0;
}

double PropertyList::doubleValue() const noexcept {
  if (const auto* d = std::get_if<double>(&value_)) return *d;
  if (const auto* i = std::get_if<std::int64_t>(&value_)) return static_cast<double>(*i);
  return 0;
}

bool PropertyList::boolValue() const noexcept {
  const Flag* f = std::get_if<Flag>(&value_);
  return f != nullptr && f->value;
}

std::optional<Date> PropertyList::dateValue() const noexcept {
  if (const Date* d = std::get_if<Date>(&value_)) return *d;
  return std::nullopt;
}

namespace {
const Bytes kNoBytes;
const PropertyList::Array kNoItems;
const PropertyList::Dictionary kNoEntries;
const PropertyList kNil;
}  // namespace

const Bytes& PropertyList::dataValue() const noexcept {
  const auto* p = std::get_if<std::shared_ptr<const Bytes>>(&value_);
  return p != nullptr ? **p : kNoBytes;
}

const PropertyList::Array& PropertyList::arrayValue() const noexcept {
  const auto* p = std::get_if<std::shared_ptr<const Array>>(&value_);
  return p != nullptr ? **p : kNoItems;
}

const PropertyList::Dictionary& PropertyList::dictionaryValue() const noexcept {
  const auto* p = std::get_if<std::shared_ptr<const Dictionary>>(&value_);
  return p != nullptr ? **p : kNoEntries;
}

std::size_t PropertyList::count() const noexcept {
  if (kind() == Kind::Array) return arrayValue().size();
  if (kind() == Kind::Dictionary) return dictionaryValue().size();
  return 0;
}

const PropertyList& PropertyList::objectAtIndex(std::size_t index) const noexcept {
  const Array& items = arrayValue();
  return index < items.size() ? items[index] : kNil;
}

const PropertyList& PropertyList::objectForKey(const String& key) const {
  const Dictionary& entries = dictionaryValue();
  const auto found = entries.find(key);
  return found != entries.end() ? found->second : kNil;
}

bool operator==(const PropertyList& a, const PropertyList& b) noexcept {
  using Kind = PropertyList::Kind;
  const Kind ka = a.kind();
  const Kind kb = b.kind();
  const auto isNumber = [](Kind k) { return k == Kind::Integer || k == Kind::Real; };
  if (isNumber(ka) && isNumber(kb)) {
    if (ka == Kind::Integer && kb == Kind::Integer) return a.integerValue() == b.integerValue();
    const double x = a.doubleValue();
    const double y = b.doubleValue();
    if (std::isnan(x) || std::isnan(y)) return std::isnan(x) && std::isnan(y);
    // An integer equals a real only when the real holds exactly that integer.
    if (ka == Kind::Integer || kb == Kind::Integer) {
      const std::int64_t i = ka == Kind::Integer ? a.integerValue() : b.integerValue();
      const double d = ka == Kind::Integer ? y : x;
      return d >= -9223372036854775808.0 && d < 9223372036854775808.0 && d == std::trunc(d) &&
             static_cast<std::int64_t>(d) == i;
    }
    return x == y;
  }
  if (ka != kb) return false;
  if (a.value_ == b.value_) return true;  // also catches shared contents
  switch (ka) {
    case Kind::Data:
      return a.dataValue() == b.dataValue();
    case Kind::Array:
      return a.arrayValue() == b.arrayValue();
    case Kind::Dictionary:
      return a.dictionaryValue() == b.dictionaryValue();
    default:
      return false;  // scalars were compared by value above
  }
}

namespace {

// ---------------------------------------------------------------------------
// Shared helpers of the writer and the reader

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";

// Seconds from 1970 to the first instant of year 1 and of year 10000 (UTC).
constexpr double kFirstWritableUnixSecond = -62135596800.0;
constexpr double kEndOfWritableUnixSeconds = 253402300800.0;

bool isXmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimXmlSpace(std::string_view s) {
  while (!s.empty() && isXmlSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isXmlSpace(s.back())) s.remove_suffix(1);
  return s;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// ---------------------------------------------------------------------------
// Writer

class Writer {
 public:
  bool write(const PropertyList& value, int depth) {
    using Kind = PropertyList::Kind;
    switch (value.kind()) {
      case Kind::Nil:
        return false;
      case Kind::String:
        indent(depth);
        out_ += "<string>";
        if (!appendEscaped(value.stringValue())) return false;
        out_ += "</string>\n";
        return true;
      case Kind::Integer: {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value.integerValue()).ptr;
        indent(depth);
        out_.append("<integer>").append(digits, end).append("</integer>\n");
        return true;
      }
      case Kind::Real:
        indent(depth);
        out_.append("<real>").append(realText(value.doubleValue())).append("</real>\n");
        return true;
      case Kind::Boolean:
        indent(depth);
        out_ += value.boolValue() ? "<true/>\n" : "<false/>\n";
        return true;
      case Kind::Date:
        return writeDate(*value.dateValue(), depth);
      case Kind::Data:
        writeData(value.dataValue(), depth);
        return true;
      case Kind::Array:
        return writeArray(value.arrayValue(), depth);
      case Kind::Dictionary:
        return writeDictionary(value.dictionaryValue(), depth);
    }
    return false;
  }

  std::string& text() { return out_; }

 private:
  void indent(int depth) { out_.append(static_cast<std::size_t>(depth), '\t'); }

  // XML text with &, <, > escaped; control characters other than tab and line
  // feed become character references so that readers keep them as they are.
  bool appendEscaped(const String& s) {
    const NSInteger length = static_cast<NSInteger>(s.length());
    InlineCharacterBuffer in(s);
    for (NSInteger i = 0; i < length; ++i) {
      char32_t c = in.at(i);
      if (c >= 0xD800 && c <= 0xDFFF) {
        if (c >= 0xDC00 || i + 1 >= length) return false;
        const char32_t low = in.at(i + 1);
        if (low < 0xDC00 || low > 0xDFFF) return false;
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
      switch (c) {
        case '&':
          out_ += "&amp;";
          break;
        case '<':
          out_ += "&lt;";
          break;
        case '>':
          out_ += "&gt;";
          break;
        default:
          if (c < 0x20 && c != '\t' && c != '\n') {
            out_ += "&#" + std::to_string(static_cast<unsigned>(c)) + ";";
          } else {
            appendUtf8(out_, c);
          }
      }
    }
    return true;
  }

  static std::string realText(double d) {
    if (std::isnan(d)) return "nan";
    if (std::isinf(d)) return d > 0 ? "+infinity" : "-infinity";
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, d).ptr;
    return std::string(digits, end);
  }

  bool writeDate(const Date& date, int depth) {
    const double unix = std::floor(date.timeIntervalSince1970());
    if (!(unix >= kFirstWritableUnixSecond && unix < kEndOfWritableUnixSeconds)) return false;
    using namespace std::chrono;
    const sys_seconds instant{seconds{static_cast<std::int64_t>(unix)}};
    const sys_days day = floor<days>(instant);
    const year_month_day ymd{day};
    const hh_mm_ss<seconds> time{instant - day};
    // The fields are in range, but room for any int keeps the compiler's
    // truncation check satisfied at every optimisation level.
    char text[sizeof "-2147483648-4294967295-4294967295T-2147483648:-2147483648:-2147483648Z"];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    indent(depth);
    out_.append("<date>").append(text).append("</date>\n");
    return true;
  }

  // Base64 in lines of at most 76 characters, each on its own indented line.
  void writeData(const Bytes& bytes, int depth) {
    indent(depth);
    out_ += "<data>\n";
    const std::string text = base64Encode(bytes);
    for (std::size_t at = 0; at < text.size(); at += 76) {
      indent(depth);
      out_.append(text, at, 76).push_back('\n');
    }
    indent(depth);
    out_ += "</data>\n";
  }

  bool writeArray(const PropertyList::Array& items, int depth) {
    if (depth >= kPropertyListMaxDepth) return false;
    indent(depth);
    if (items.empty()) {
      out_ += "<array/>\n";
      return true;
    }
    out_ += "<array>\n";
    for (const PropertyList& item : items) {
      if (!write(item, depth + 1)) return false;
    }
    indent(depth);
    out_ += "</array>\n";
    return true;
  }

  bool writeDictionary(const PropertyList::Dictionary& entries, int depth) {
    if (depth >= kPropertyListMaxDepth) return false;
    indent(depth);
    if (entries.empty()) {
      out_ += "<dict/>\n";
      return true;
    }
    out_ += "<dict>\n";
    for (const auto& [key, item] : entries) {
      if (key.isNil()) return false;
      indent(depth + 1);
      out_ += "<key>";
      if (!appendEscaped(key)) return false;
      out_ += "</key>\n";
      if (!write(item, depth + 1)) return false;
    }
    indent(depth);
    out_ += "</dict>\n";
    return true;
  }

  std::string out_;
};

// ---------------------------------------------------------------------------
// Reader

// A recursive-descent reader of the XML subset property lists use: the XML
// declaration, comments, processing instructions, a document type without an
// internal subset, elements with attributes, the five predefined entities,
// character references and CDATA sections. Every failure unwinds as false.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  bool readDocument(PropertyList& result) {
    if (text_.starts_with("\xEF\xBB\xBF")) pos_ = 3;
    if (text_.substr(pos_).starts_with("<?xml") && pos_ + 5 < text_.size() &&
        isXmlSpace(text_[pos_ + 5])) {
      if (!readDeclaration()) return false;
    }
    if (!skipMisc(true)) return false;
    Tag tag;
    if (!readStartTag(tag) || tag.name != "plist" || tag.empty) return false;
    if (!skipMisc(false) || !readValue(result, 0) || !skipMisc(false)) return false;
    if (!readEndTag("plist")) return false;
    if (!skipMisc(false)) return false;
    return pos_ == text_.size();
  }

 private:
  struct Tag {
    std::string_view name;
    bool empty = false;  // <name/>
  };

  bool at(std::string_view s) const { return text_.substr(pos_).starts_with(s); }

  void skipSpace() {
    while (pos_ < text_.size() && isXmlSpace(text_[pos_])) ++pos_;
  }

  // Skips to just after `terminator`; false when it never comes.
  bool skipPast(std::string_view terminator) {
    const std::size_t found = text_.find(terminator, pos_);
    if (found == std::string_view::npos) return false;
    pos_ = found + terminator.size();
    return true;
  }

  // Blanks, comments and processing instructions; in the prolog also one
  // document type declaration.
  bool skipMisc(bool prolog) {
    bool sawDoctype = false;
    for (;;) {
      skipSpace();
      if (at("<!--")) {
        pos_ += 4;
        if (!skipPast("-->")) return false;
      } else if (at("<?")) {
        if (at("<?xml") && pos_ + 5 < text_.size() && !isNameChar(text_[pos_ + 5])) return false;
        if (!skipPast("?>")) return false;
      } else if (prolog && !sawDoctype && at("<!DOCTYPE")) {
        if (!skipDoctype()) return false;
        sawDoctype = true;
      } else {
        return true;
      }
    }
  }

  // Only an external identifier may follow: an internal subset could define
  // entities, and those are never expanded here.
  bool skipDoctype() {
    pos_ += 9;
    char quote = 0;
    for (; pos_ < text_.size(); ++pos_) {
      const char c = text_[pos_];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '[' || c == '<') {
        return false;
      } else if (c == '>') {
        ++pos_;
        return true;
      }
    }
    return false;
  }

  // <?xml version="1.0" encoding="UTF-8"?>: any encoding but UTF-8 is refused.
  bool readDeclaration() {
    pos_ += 5;
    for (;;) {
      skipSpace();
      if (at("?>")) {
        pos_ += 2;
        return true;
      }
      std::string_view name;
      std::string value;
      if (!readAttribute(name, value)) return false;
      if (name == "encoding") {
        std::string lower = value;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (lower != "utf-8" && lower != "utf8") return false;
      }
    }
  }

  static bool isNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
  }
  static bool isNameChar(char c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
  }

  bool readName(std::string_view& name) {
    const std::size_t start = pos_;
    if (pos_ >= text_.size() || !isNameStart(text_[pos_])) return false;
    while (pos_ < text_.size() && isNameChar(text_[pos_])) ++pos_;
    name = text_.substr(start, pos_ - start);
    return true;
  }

  bool readAttribute(std::string_view& name, std::string& value) {
    if (!readName(name)) return false;
    skipSpace();
    if (!at("=")) return false;
    ++pos_;
    skipSpace();
    if (pos_ >= text_.size() || (text_[pos_] != '"' && text_[pos_] != '\'')) return false;
    const char quote = text_[pos_++];
    while (pos_ < text_.size() && text_[pos_] != quote) {
      const char c = text_[pos_];
      if (c == '<') return false;
      if (c == '&') {
        if (!readReference(value)) return false;
      } else {
        value.push_back(c);
        ++pos_;
      }
    }
    if (pos_ >= text_.size()) return false;
    ++pos_;
    return true;
  }

  // <name attr="..."> or <name/>; attributes are checked for form and dropped.
  bool readStartTag(Tag& tag) {
    if (!at("<")) return false;
    ++pos_;
    if (!readName(tag.name)) return false;
    for (;;) {
      const std::size_t before = pos_;
      skipSpace();
      if (at("/>")) {
        pos_ += 2;
        tag.empty = true;
        return true;
      }
      if (at(">")) {
        ++pos_;
        return true;
      }
      if (pos_ == before) return false;  // attributes need blanks before them
      std::string_view name;
      std::string value;
      if (!readAttribute(name, value)) return false;
    }
  }

  bool readEndTag(std::string_view name) {
    if (!at("</")) return false;
    pos_ += 2;
    std::string_view found;
    if (!readName(found) || found != name) return false;
    skipSpace();
    if (!at(">")) return false;
    ++pos_;
    return true;
  }

  // &lt; &gt; &amp; &quot; &apos; &#N; &#xH; appended as UTF-8; any other
  // entity is refused.
  bool readReference(std::string& out) {
    const std::size_t semicolon = text_.find(';', pos_);
    if (semicolon == std::string_view::npos || semicolon - pos_ > 12) return false;
    const std::string_view ref = text_.substr(pos_ + 1, semicolon - pos_ - 1);
    pos_ = semicolon + 1;
    if (ref == "lt") return out.push_back('<'), true;
    if (ref == "gt") return out.push_back('>'), true;
    if (ref == "amp") return out.push_back('&'), true;
    if (ref == "quot") return out.push_back('"'), true;
    if (ref == "apos") return out.push_back('\''), true;
    if (ref.size() < 2 || ref[0] != '#') return false;
    const bool hex = ref[1] == 'x';
    const std::string_view digits = ref.substr(hex ? 2 : 1);
    std::uint32_t code = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
      return false;
    }
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    appendUtf8(out, code);
    return true;
  }

  // Character content up to the end tag `name`: text, references, CDATA
  // sections and comments; no child elements. Raw control characters other
  // than tab, line feed and carriage return are refused, as XML has them.
  bool readText(std::string_view name, std::string& out) {
    for (;;) {
      if (pos_ >= text_.size()) return false;
      const char c = text_[pos_];
      if (c == '<') {
        if (at("</")) return readEndTag(name);
        if (at("<!--")) {
          pos_ += 4;
          if (!skipPast("-->")) return false;
        } else if (at("<![CDATA[")) {
          const std::size_t start = pos_ + 9;
          pos_ = start;
          if (!skipPast("]]>")) return false;
          out.append(text_.substr(start, pos_ - 3 - start));
        } else {
          return false;
        }
      } else if (c == '&') {
        if (!readReference(out)) return false;
      } else {
        if (static_cast<unsigned char>(c) < 0x20 && !isXmlSpace(c)) return false;
        out.push_back(c);
        ++pos_;
      }
    }
  }

  bool readTextOf(const Tag& tag, std::string& out) { return tag.empty || readText(tag.name, out); }

  bool readValue(PropertyList& result, int depth) {
    Tag tag;
    if (!readStartTag(tag)) return false;
    const std::string_view name = tag.name;
    if (name == "dict" || name == "array") {
      if (depth >= kPropertyListMaxDepth) return false;
      return name == "dict" ? readDictionary(tag, result, depth + 1)
                            : readArray(tag, result, depth + 1);
    }
    std::string content;
    if (!readTextOf(tag, content)) return false;
    if (name == "string") return makeString(content, result);
    if (name == "integer") return parseInteger(content, result);
    if (name == "real") return parseReal(content, result);
    if (name == "true" || name == "false") {
      if (!trimXmlSpace(content).empty()) return false;
      result = PropertyList(name == "true");
      return true;
    }
    if (name == "date") return parseDate(content, result);
    if (name == "data") return decodeBase64(content, result);
    return false;
  }

  bool readArray(const Tag& tag, PropertyList& result, int depth) {
    PropertyList::Array items;
    if (!tag.empty) {
      for (;;) {
        if (!skipMisc(false)) return false;
        if (at("</")) {
          if (!readEndTag("array")) return false;
          break;
        }
        PropertyList item;
        if (!readValue(item, depth)) return false;
        items.push_back(std::move(item));
      }
    }
    result = PropertyList(std::move(items));
    return true;
  }

  // Duplicate keys are refused: readers that disagree on which one wins
  // would see different lists in the same bytes.
  bool readDictionary(const Tag& tag, PropertyList& result, int depth) {
    PropertyList::Dictionary entries;
    if (!tag.empty) {
      for (;;) {
        if (!skipMisc(false)) return false;
        if (at("</")) {
          if (!readEndTag("dict")) return false;
          break;
        }
        Tag keyTag;
        std::string keyText;
        PropertyList key;
        if (!readStartTag(keyTag) || keyTag.name != "key" || !readTextOf(keyTag, keyText) ||
            !makeString(keyText, key) || !skipMisc(false)) {
          return false;
        }
        PropertyList item;
        if (!readValue(item, depth)) return false;
        if (!entries.emplace(key.stringValue(), std::move(item)).second) return false;
      }
    }
    result = PropertyList(std::move(entries));
    return true;
  }

  static bool makeString(const std::string& utf8, PropertyList& result) {
    const String s = String::withUtf8(utf8);
    if (s.isNil()) return false;
    result = PropertyList(s);
    return true;
  }

  // Decimal with an optional sign, or hexadecimal after 0x; signed 64-bit.
  static bool parseInteger(std::string_view text, PropertyList& result) {
    text = trimXmlSpace(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
      negative = text[0] == '-';
      text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
      base = 16;
      text.remove_prefix(2);
    }
    std::uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return false;
    constexpr std::uint64_t kMaxPositive = std::numeric_limits<std::int64_t>::max();
    if (magnitude > kMaxPositive + (negative ? 1 : 0)) return false;
    result = PropertyList(negative ? static_cast<std::int64_t>(0 - magnitude)
                                   : static_cast<std::int64_t>(magnitude));
    return true;
  }

  // [sign] digits [. digits] [e [sign] digits], or nan / inf / infinity.
  // Beyond the range of a double, as strtod has it: infinity or zero.
  static bool parseReal(std::string_view text, PropertyList& result) {
    text = trimXmlSpace(text);
    bool negative = false;
    std::string_view body = text;
    if (!body.empty() && (body[0] == '-' || body[0] == '+')) {
      negative = body[0] == '-';
      body.remove_prefix(1);
    }
    if (body.size() <= 8) {
      std::string lower(body);
      std::transform(lower.begin(), lower.end(), lower.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      if (lower == "nan") {
        result = PropertyList(std::nan(""));
        return true;
      }
      if (lower == "inf" || lower == "infinity") {
        result = PropertyList(negative ? -HUGE_VAL : HUGE_VAL);
        return true;
      }
    }
    std::size_t i = 0;
    auto digits = [&] {
      const std::size_t start = i;
      while (i < body.size() && body[i] >= '0' && body[i] <= '9') ++i;
      return body.substr(start, i - start);
    };
    const std::string_view whole = digits();
    std::string_view fraction;
    if (i < body.size() && body[i] == '.') {
      ++i;
      fraction = digits();
    }
    if (whole.empty() && fraction.empty()) return false;
    std::int64_t exponent = 0;
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
      ++i;
      const bool negativeExponent = i < body.size() && body[i] == '-';
      if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
      const std::string_view e = digits();
      if (e.empty()) return false;
      for (const char c : e) exponent = std::min<std::int64_t>(exponent * 10 + (c - '0'), 1 << 30);
      if (negativeExponent) exponent = -exponent;
    }
    if (i != body.size()) return false;
    double value = 0;
    const auto [end, error] = std::from_chars(body.data(), body.data() + body.size(), value);
    if (error == std::errc::result_out_of_range) {
      // The power of ten of the leading digit tells overflow from underflow.
      const std::size_t intLead = whole.find_first_not_of('0');
      const std::size_t fracLead = fraction.find_first_not_of('0');
      const std::int64_t lead = intLead != std::string_view::npos
                                    ? static_cast<std::int64_t>(whole.size() - intLead) - 1
                                    : -static_cast<std::int64_t>(fracLead) - 1;
      value = lead + exponent > 0 ? HUGE_VAL : 0.0;
    } else if (error != std::errc() || end != body.data() + body.size()) {
      return false;
    }
    result = PropertyList(negative ? -value : value);
    return true;
  }

  // YYYY-MM-DDTHH:MM:SS[.fraction]Z in UTC, years 1 to 9999.
  static bool parseDate(std::string_view text, PropertyList& result) {
    text = trimXmlSpace(text);
    if (text.size() < 20 || text.back() != 'Z') return false;
    auto number = [&](std::size_t at, std::size_t width, int& out) {
      for (std::size_t k = at; k < at + width; ++k) {
        if (text[k] < '0' || text[k] > '9') return false;
      }
      std::from_chars(text.data() + at, text.data() + at + width, out);
      return true;
    };
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!number(0, 4, y) || text[4] != '-' || !number(5, 2, mo) || text[7] != '-' ||
        !number(8, 2, d) || text[10] != 'T' || !number(11, 2, h) || text[13] != ':' ||
        !number(14, 2, mi) || text[16] != ':' || !number(17, 2, s)) {
      return false;
    }
    double fraction = 0;
    if (text.size() > 20) {
      const std::string_view digitsPart = text.substr(19, text.size() - 20);
      if (digitsPart.size() < 2 || digitsPart[0] != '.') return false;
      for (char c : digitsPart.substr(1)) {
        if (c < '0' || c > '9') return false;
      }
      std::from_chars(digitsPart.data(), digitsPart.data() + digitsPart.size(), fraction);
    }
    using namespace std::chrono;
    const year_month_day ymd{year{y}, month{static_cast<unsigned>(mo)},
                             day{static_cast<unsigned>(d)}};
    if (y < 1 || !ymd.ok() || h > 23 || mi > 59 || s > 59) return false;
    const auto unix = sys_days{ymd}.time_since_epoch() + hours{h} + minutes{mi} + seconds{s};
    result = PropertyList(Date::dateWithTimeIntervalSince1970(
        static_cast<double>(duration_cast<seconds>(unix).count()) + fraction));
    return true;
  }

  static bool decodeBase64(std::string_view text, PropertyList& result) {
    std::optional<Bytes> bytes = base64Decode(text);
    if (!bytes) return false;
    result = PropertyList(std::move(*bytes));
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

bool isWellFormedUtf8(std::string_view text) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int64_t>(text.size());
  for (std::int64_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

}  // namespace

std::optional<Bytes> dataFromPropertyList(const PropertyList& plist) {
  Writer writer;
  writer.text() = kHeader;
  if (!writer.write(plist, 0)) return std::nullopt;
  writer.text() += "</plist>\n";
  const std::string& text = writer.text();
  return Bytes(text.begin(), text.end());
}

PropertyList propertyListFromData(std::span<const std::uint8_t> bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!isWellFormedUtf8(text)) return PropertyList();
  PropertyList result;
  Reader reader(text);
  if (!reader.readDocument(result)) return PropertyList();
  return result;
}

}  // namespace orvin
