#include "chars/StringFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "chars/MutableString.h"

namespace orvin {
namespace {

struct Directive {
  std::string flags;
  int width = -1;
  int precision = -1;
  char conversion = 0;
};

// Reads a decimal number at `i`; -1 when there is none.
int readNumber(const std::u16string& f, std::size_t& i) {
  if (i >= f.size() || f[i] < u'0' || f[i] > u'9') return -1;
  long value = 0;
  while (i < f.size() && f[i] >= u'0' && f[i] <= u'9') {
    // Widths beyond any sensible text are capped rather than overflowing.
    value = std::min<long>(value * 10 + (f[i] - u'0'), 100000);
    ++i;
  }
  return static_cast<int>(value);
}

class Formatter {
 public:
  Formatter(std::initializer_list<FormatArgument> args) : args_(args.begin(), args.end()) {}

  std::u16string run(const std::u16string& f) {
    for (std::size_t i = 0; i < f.size();) {
      if (f[i] != u'%') {
        out_.push_back(f[i++]);
        continue;
      }
      const std::size_t start = i++;
      if (i < f.size() && f[i] == u'%') {
        out_.push_back(u'%');
        ++i;
        continue;
      }
      if (!parse(f, i)) {
        // Not a directive after all: keep the text as written.
        out_.append(f, start, i - start);
        continue;
      }
      emit();
    }
    return std::move(out_);
  }

 private:
  bool parse(const std::u16string& f, std::size_t& i) {
    d_ = Directive{};
    // Positional argument: digits followed by '$'.
    std::size_t probe = i;
    const int position = readNumber(f, probe);
    if (position > 0 && probe < f.size() && f[probe] == u'$') {
      next_ = static_cast<std::size_t>(position - 1);
      i = probe + 1;
    }
    while (i < f.size() && std::u16string_view(u"-+ #0").find(f[i]) != std::u16string_view::npos) {
      d_.flags.push_back(static_cast<char>(f[i++]));
    }
    if (i < f.size() && f[i] == u'*') {
      ++i;
      d_.width = static_cast<int>(takeInteger());
      if (d_.width < 0) {
        d_.flags.push_back('-');
        d_.width = -d_.width;
      }
    } else {
      d_.width = readNumber(f, i);
    }
    if (i < f.size() && f[i] == u'.') {
      ++i;
      if (i < f.size() && f[i] == u'*') {
        ++i;
        d_.precision = static_cast<int>(takeInteger());
      } else {
        d_.precision = readNumber(f, i);
        if (d_.precision < 0) d_.precision = 0;
      }
    }
    while (i < f.size() &&
           std::u16string_view(u"hlqLzjt").find(f[i]) != std::u16string_view::npos) {
      ++i;
    }
    if (i >= f.size()) return false;
    const char16_t c = f[i];
    if (std::u16string_view(u"@CcsSdiuxXoDUOfFeEgGaAp").find(c) == std::u16string_view::npos) {
      return false;
    }
    d_.conversion = static_cast<char>(c);
    ++i;
    return true;
  }

  const FormatArgument::Value* take() {
    if (next_ >= args_.size()) return nullptr;
    return &args_[next_++].value();
  }

  long long takeInteger() {
    const FormatArgument::Value* v = take();
    if (v == nullptr) return 0;
    if (auto p = std::get_if<std::int64_t>(v)) return *p;
    if (auto p = std::get_if<std::uint64_t>(v)) return static_cast<long long>(*p);
    if (auto p = std::get_if<double>(v)) return static_cast<long long>(*p);
    return 0;
  }

  void pad(std::u16string text) {
    if (d_.precision >= 0 && std::strchr("@sS", d_.conversion) != nullptr &&
        text.size() > static_cast<std::size_t>(d_.precision)) {
      text.resize(static_cast<std::size_t>(d_.precision));
    }
    const std::size_t width = d_.width > 0 ? static_cast<std::size_t>(d_.width) : 0;
    const std::size_t fill = text.size() < width ? width - text.size() : 0;
    if (d_.flags.find('-') != std::string::npos) {
      out_ += text;
      out_.append(fill, u' ');
    } else {
      out_.append(fill, u' ');
      out_ += text;
    }
  }

  // Numbers go through the C library with the directive rebuilt as written.
  void printNumber(const char* lengthModifier, auto value) {
    char conversion[64];
    char width[16] = "";
    char precision[16] = "";
    if (d_.width >= 0) std::snprintf(width, sizeof width, "%d", d_.width);
    if (d_.precision >= 0) std::snprintf(precision, sizeof precision, ".%d", d_.precision);
    std::snprintf(conversion, sizeof conversion, "%%%s%s%s%s%c", d_.flags.substr(0, 8).c_str(),
                  width, precision, lengthModifier, d_.conversion);
    char buffer[512];
    const int n = std::snprintf(buffer, sizeof buffer, conversion, value);
    std::string text;
    if (n >= static_cast<int>(sizeof buffer)) {
      text.resize(static_cast<std::size_t>(n) + 1);
      std::snprintf(text.data(), text.size(), conversion, value);
      text.resize(static_cast<std::size_t>(n));
    } else if (n > 0) {
      text.assign(buffer, static_cast<std::size_t>(n));
    }
    for (char ch : text) out_.push_back(static_cast<unsigned char>(ch));
  }

  static std::u16string describe(const FormatArgument::Value& v) {
    if (auto s = std::get_if<String>(&v)) return s->isNil() ? u"(null)" : s->toU16String();
    if (auto s = std::get_if<const unichar*>(&v)) return *s == nullptr ? u"(null)" : *s;
    if (auto s = std::get_if<const char*>(&v)) {
      if (*s == nullptr) return u"(null)";
      const String decoded = String::withUtf8(*s);
      return decoded.isNil() ? String::withLatin1(*s).toU16String() : decoded.toU16String();
    }
    if (auto n = std::get_if<std::int64_t>(&v)) {
      const std::string t = std::to_string(*n);
      return std::u16string(t.begin(), t.end());
    }
    if (auto n = std::get_if<std::uint64_t>(&v)) {
      const std::string t = std::to_string(*n);
      return std::u16string(t.begin(), t.end());
    }
    if (auto n = std::get_if<double>(&v)) {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%g", *n);
      return std::u16string(buffer, buffer + std::strlen(buffer));
    }
    return u"(null)";
  }

  void emit() {
    const char c = d_.conversion;
    if (c == '@' || c == 's' || c == 'S') {
      const FormatArgument::Value* v = take();
      if (v != nullptr) pad(describe(*v));
      return;
    }
    if (c == 'C' || c == 'c') {
      const long long unit = takeInteger();
      pad(std::u16string(1, static_cast<char16_t>(c == 'c' ? (unit & 0xFF) : (unit & 0xFFFF))));
      return;
    }
    if (c == 'p') {
      const FormatArgument::Value* v = take();
      const void* p = nullptr;
      if (v != nullptr) {
        if (auto q = std::get_if<const void*>(v)) p = *q;
      }
      printNumber("", p);
      return;
    }
    if (std::strchr("fFeEgGaA", c) != nullptr) {
      const FormatArgument::Value* v = take();
      if (v == nullptr) return;
      double x = 0;
      if (auto p = std::get_if<double>(v)) x = *p;
      if (auto p = std::get_if<std::int64_t>(v)) x = static_cast<double>(*p);
      if (auto p = std::get_if<std::uint64_t>(v)) x = static_cast<double>(*p);
      printNumber("", x);
      return;
    }
    // Integers: D, U, O are the platform's old spellings of ld, lu, lo.
    if (c == 'D') d_.conversion = 'd';
    if (c == 'U') d_.conversion = 'u';
    if (c == 'O') d_.conversion = 'o';
    const FormatArgument::Value* v = take();
    if (v == nullptr) return;
    unsigned long long bits = 0;
    if (auto p = std::get_if<std::int64_t>(v)) bits = static_cast<unsigned long long>(*p);
    if (auto p = std::get_if<std::uint64_t>(v)) bits = *p;
    if (auto p = std::get_if<double>(v))
      bits = static_cast<unsigned long long>(static_cast<long long>(*p));
    if (d_.conversion == 'd' || d_.conversion == 'i') {
      printNumber("ll", static_cast<long long>(bits));
    } else {
      printNumber("ll", bits);
    }
  }

  std::vector<FormatArgument> args_;
  std::size_t next_ = 0;
  Directive d_;
  std::u16string out_;
};

}  // namespace

String stringWithFormat(const String& format, std::initializer_list<FormatArgument> args) {
  if (format.isNil()) return String();
  Formatter formatter(args);
  return String(formatter.run(format.toU16String()));
}

}  // namespace orvin
