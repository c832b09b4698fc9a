#include "support/formats/RtfReader.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <map>
#include <new>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "chars/TextEncodings.h"
#include "support/internal/SymbolFonts.h"

namespace orvin {
namespace {

// ---------------------------------------------------------------------------
// Code pages

struct CodePageEncoding {
  int codePage;
  NSUInteger encoding;
};

// Code pages TextEncodings converts; the rest go to ICU by name.
constexpr CodePageEncoding kCodePageEncodings[] = {
    {1250, NSWindowsCP1250StringEncoding}, {1251, NSWindowsCP1251StringEncoding},
    {1252, NSWindowsCP1252StringEncoding}, {1253, NSWindowsCP1253StringEncoding},
    {1254, NSWindowsCP1254StringEncoding}, {10000, NSMacOSRomanStringEncoding},
    {932, NSShiftJISStringEncoding},       {65001, NSUTF8StringEncoding},
    {20127, NSASCIIStringEncoding},        {28591, NSISOLatin1StringEncoding},
    {28592, NSISOLatin2StringEncoding},    {51932, NSJapaneseEUCStringEncoding},
};

NSUInteger encodingForCodePage(int codePage) {
  for (const CodePageEncoding& e : kCodePageEncodings) {
    if (e.codePage == codePage) return e.encoding;
  }
  return 0;
}

// The code pages of the fonts' \fcharsetN values. Charsets 1 (default), 2
// (symbol) and unknown ones use the document's code page.
constexpr std::pair<int, int> kCharsetCodePages[] = {
    {0, 1252},   {77, 10000}, {128, 932},  {129, 949},  {130, 1361}, {134, 936},
    {136, 950},  {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256},
    {186, 1257}, {204, 1251}, {222, 874},  {238, 1250}, {254, 437},  {255, 850},
};

// 0 means "the document's".
int codePageForCharset(int charset) {
  for (const auto& [set, codePage] : kCharsetCodePages) {
    if (set == charset) return codePage;
  }
  return 0;
}

// Lead bytes of the double-byte code pages; a lead byte takes one more byte,
// which may be plain ASCII in the RTF text.
bool isLeadByte(int codePage, unsigned char b) {
  switch (codePage) {
    case 932:
      return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
      return b >= 0x81 && b <= 0xFE;
    case 1361:
      return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xDE) || (b >= 0xE0 && b <= 0xF9);
    default:
      return false;
  }
}

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr openIcuConverter(int codePage) {
  for (const char* prefix : {"windows-", "ibm-", "cp"}) {
    const std::string name = prefix + std::to_string(codePage);
    UErrorCode status = U_ZERO_ERROR;
    UConverter* c = ucnv_open(name.c_str(), &status);
    if (U_SUCCESS(status) && c != nullptr) return ConverterPtr(c);
    if (c != nullptr) ucnv_close(c);
  }
  return nullptr;
}

// Decodes through TextEncodings; a byte sequence the code page rejects
// becomes U+FFFD, one character at a time, so the rest still decodes.
void decodeWithEncoding(const std::string& bytes, int codePage, NSUInteger encoding,
                        std::u16string& out) {
  const String whole = stringWithBytes(bytes.data(), bytes.size(), encoding);
  if (!whole.isNil()) {
    out += whole.toU16String();
    return;
  }
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t width = 1;
    if (isLeadByte(codePage, static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size()) {
      width = 2;
    }
    const String one = stringWithBytes(bytes.data() + i, width, encoding);
    if (one.isNil() || one.isEmpty()) {
      out += u'\uFFFD';
    } else {
      out += one.toU16String();
    }
    i += width;
  }
}

void decodeWithIcu(UConverter* converter, const std::string& bytes, std::u16string& out) {
  ucnv_reset(converter);
  std::u16string buffer(bytes.size() * 2 + 2, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = ucnv_toUChars(converter, buffer.data(), static_cast<int32_t>(buffer.size()),
                                  bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  if (U_FAILURE(status)) {
    out.append(bytes.size(), u'\uFFFD');
    return;
  }
  out.append(buffer.data(), static_cast<std::size_t>(n));
}

// A code page nobody here converts (Johab): ASCII stays, every other
// character (a lead byte with its trail) becomes U+FFFD, never a wrong letter.
void decodeUnknown(const std::string& bytes, int codePage, std::u16string& out) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      continue;
    }
    if (isLeadByte(codePage, b) && i + 1 < bytes.size()) ++i;
    out += u'\uFFFD';
  }
}

// Footnote numbers as the document asks for them (\ftnnar, \ftnnalc ...).
enum class Numbering : std::uint8_t {
  Arabic,
  LowerAlpha,
  UpperAlpha,
  LowerRoman,
  UpperRoman,
  Chicago
};

std::u16string formatNumber(int n, Numbering style) {
  std::u16string out;
  switch (style) {
    case Numbering::Arabic:
      for (const char c : std::to_string(n)) out += static_cast<char16_t>(c);
      return out;
    case Numbering::LowerAlpha:
    case Numbering::UpperAlpha: {
      // a ... z, aa ... zz, aaa ...: the letter repeated, as word processors count.
      const char16_t first = style == Numbering::LowerAlpha ? u'a' : u'A';
      out.assign(static_cast<std::size_t>((n - 1) / 26 + 1),
                 static_cast<char16_t>(first + (n - 1) % 26));
      return out;
    }
    case Numbering::LowerRoman:
    case Numbering::UpperRoman: {
      static constexpr std::pair<int, const char*> kRoman[] = {
          {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
          {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
      for (const auto& [value, letters] : kRoman) {
        for (; n >= value; n -= value) {
          for (const char* l = letters; *l != 0; ++l) {
            out += static_cast<char16_t>(style == Numbering::LowerRoman ? *l : *l - 'a' + 'A');
          }
        }
      }
      return out;
    }
    case Numbering::Chicago: {
      // *, dagger, double dagger, section sign, then doubled, tripled ...
      static constexpr char16_t kMarks[] = {u'*', u'\u2020', u'\u2021', u'\u00A7'};
      out.assign(static_cast<std::size_t>((n - 1) / 4 + 1), kMarks[(n - 1) % 4]);
      return out;
    }
  }
  return out;
}

// The text a field shows when the document stored no result for it: the
// base text of a ruby (EQ \o(\s\up N(ruby),base)) and the prompt of a
// MACROBUTTON. Empty for every other field.
std::u16string visibleFieldText(std::u16string_view instruction) {
  auto trim = [](std::u16string_view v) {
    while (!v.empty() && (v.front() == u' ' || v.front() == u'\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == u' ' || v.back() == u'\t')) v.remove_suffix(1);
    return v;
  };
  auto takeWord = [](std::u16string_view& v) {
    std::size_t n = 0;
    while (n < v.size() && v[n] != u' ' && v[n] != u'\t') ++n;
    const std::u16string_view word = v.substr(0, n);
    v.remove_prefix(n);
    return word;
  };
  auto upper = [](std::u16string_view w) {
    std::string out;
    for (const char16_t c : w) out += c < 0x80 ? static_cast<char>(std::toupper(c)) : '?';
    return out;
  };
  std::u16string_view rest = trim(instruction);
  const std::string kind = upper(takeWord(rest));
  if (kind == "MACROBUTTON") {
    rest = trim(rest);
    takeWord(rest);  // the macro's name
    return std::u16string(trim(rest));
  }
  if (kind != "EQ") return {};
  const std::size_t overstrike = rest.find(u"\\o");
  if (overstrike == std::u16string_view::npos) return {};
  std::size_t open = rest.find(u'(', overstrike);
  if (open == std::u16string_view::npos) return {};
  // The arguments at the top level; those made by \s (the ruby raised over
  // the base) are not part of the line's text.
  std::u16string out;
  std::size_t depth = 0;
  std::size_t start = open + 1;
  for (std::size_t i = open + 1; i < rest.size(); ++i) {
    const char16_t c = rest[i];
    if (c == u'(') ++depth;
    if (c == u')' && depth > 0) {
      --depth;
      continue;
    }
    if ((c == u',' || c == u')') && depth == 0) {
      const std::u16string_view argument = trim(rest.substr(start, i - start));
      if (!argument.starts_with(u"\\s")) out += argument;
      start = i + 1;
      if (c == u')') break;
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// Control words

enum class Act : std::uint8_t {
  SkipDestination,
  FontTable,
  Font,
  FontCharset,
  FontCodePage,
  DefaultFont,
  Ansi,
  Mac,
  Pc,
  Pca,
  AnsiCodePage,
  Uc,
  U,
  Par,
  Line,
  Page,
  Tab,
  Character,
  Bold,
  Italic,
  Underline,
  UnderlineNone,
  FontSize,
  Plain,
  Hidden,
  Bin,
  PaperWidth,
  PaperHeight,
  MarginLeft,
  MarginRight,
  MarginTop,
  MarginBottom,
  Attachment,
  Field,
  FieldInstruction,
  FieldResult,
  AnsiTwin,
  UnicodeTwin,
  FootnoteMark,
  FootnoteStart,
  EndnoteStart,
  FootnoteNumbering,
  EndnoteNumbering,
  ListText,
  AssociatedFont,
  DoubleByte,
  SingleByte,
};

// Destinations we read, also after \*.
bool isReadDestination(Act act) {
  return act == Act::Attachment || act == Act::FieldInstruction || act == Act::FieldResult ||
         act == Act::UnicodeTwin;
}

struct Word {
  std::string_view name;
  Act act;
  char16_t character = 0;  // Act::Character; the Numbering of the numbering words
};

constexpr auto kWords = [] {
  std::array words{
      Word{"af", Act::AssociatedFont},
      Word{"aftnnalc", Act::EndnoteNumbering, char16_t(Numbering::LowerAlpha)},
      Word{"aftnnar", Act::EndnoteNumbering, char16_t(Numbering::Arabic)},
      Word{"aftnnauc", Act::EndnoteNumbering, char16_t(Numbering::UpperAlpha)},
      Word{"aftnnchi", Act::EndnoteNumbering, char16_t(Numbering::Chicago)},
      Word{"aftnnrlc", Act::EndnoteNumbering, char16_t(Numbering::LowerRoman)},
      Word{"aftnnruc", Act::EndnoteNumbering, char16_t(Numbering::UpperRoman)},
      Word{"aftnstart", Act::EndnoteStart},
      Word{"ansi", Act::Ansi},
      Word{"ansicpg", Act::AnsiCodePage},
      Word{"b", Act::Bold},
      Word{"bin", Act::Bin},
      Word{"bullet", Act::Character, u'\u2022'},
      Word{"cell", Act::Par},
      Word{"chftn", Act::FootnoteMark},
      Word{"cpg", Act::FontCodePage},
      Word{"dbch", Act::DoubleByte},
      Word{"deff", Act::DefaultFont},
      Word{"emdash", Act::Character, u'\u2014'},
      Word{"emspace", Act::Character, u'\u2003'},
      Word{"endash", Act::Character, u'\u2013'},
      Word{"enspace", Act::Character, u'\u2002'},
      Word{"f", Act::Font},
      Word{"fcharset", Act::FontCharset},
      Word{"field", Act::Field},
      Word{"fldinst", Act::FieldInstruction},
      Word{"fldrslt", Act::FieldResult},
      Word{"fonttbl", Act::FontTable},
      Word{"fs", Act::FontSize},
      Word{"ftnnalc", Act::FootnoteNumbering, char16_t(Numbering::LowerAlpha)},
      Word{"ftnnar", Act::FootnoteNumbering, char16_t(Numbering::Arabic)},
      Word{"ftnnauc", Act::FootnoteNumbering, char16_t(Numbering::UpperAlpha)},
      Word{"ftnnchi", Act::FootnoteNumbering, char16_t(Numbering::Chicago)},
      Word{"ftnnrlc", Act::FootnoteNumbering, char16_t(Numbering::LowerRoman)},
      Word{"ftnnruc", Act::FootnoteNumbering, char16_t(Numbering::UpperRoman)},
      Word{"ftnstart", Act::FootnoteStart},
      Word{"hich", Act::SingleByte},
      Word{"i", Act::Italic},
      Word{"ldblquote", Act::Character, u'\u201C'},
      Word{"line", Act::Line},
      Word{"listtext", Act::ListText},
      Word{"loch", Act::SingleByte},
      Word{"lquote", Act::Character, u'\u2018'},
      Word{"ltrmark", Act::Character, u'\u200E'},
      Word{"mac", Act::Mac},
      Word{"margb", Act::MarginBottom},
      Word{"margl", Act::MarginLeft},
      Word{"margr", Act::MarginRight},
      Word{"margt", Act::MarginTop},
      Word{"nestcell", Act::Par},
      Word{"orvinattachment", Act::Attachment},
      Word{"page", Act::Page},
      Word{"paperh", Act::PaperHeight},
      Word{"paperw", Act::PaperWidth},
      Word{"par", Act::Par},
      Word{"pc", Act::Pc},
      Word{"pca", Act::Pca},
      Word{"plain", Act::Plain},
      Word{"qmspace", Act::Character, u'\u2005'},
      Word{"rdblquote", Act::Character, u'\u201D'},
      Word{"rquote", Act::Character, u'\u2019'},
      Word{"rtlmark", Act::Character, u'\u200F'},
      Word{"sect", Act::Par},
      Word{"tab", Act::Tab},
      Word{"u", Act::U},
      Word{"uc", Act::Uc},
      Word{"ud", Act::UnicodeTwin},
      Word{"ul", Act::Underline},
      Word{"uld", Act::Underline},
      Word{"uldash", Act::Underline},
      Word{"uldashd", Act::Underline},
      Word{"uldashdd", Act::Underline},
      Word{"uldb", Act::Underline},
      Word{"ulhwave", Act::Underline},
      Word{"ulldash", Act::Underline},
      Word{"ulnone", Act::UnderlineNone},
      Word{"ulth", Act::Underline},
      Word{"ulthd", Act::Underline},
      Word{"ulthdash", Act::Underline},
      Word{"ulthdashd", Act::Underline},
      Word{"ulthdashdd", Act::Underline},
      Word{"ulthldash", Act::Underline},
      Word{"ululdbwave", Act::Underline},
      Word{"ulw", Act::Underline},
      Word{"ulwave", Act::Underline},
      Word{"upr", Act::AnsiTwin},
      Word{"v", Act::Hidden},
      Word{"zwj", Act::Character, u'\u200D'},
      Word{"zwnj", Act::Character, u'\u200C'},
  };
  std::sort(words.begin(), words.end(),
            [](const Word& a, const Word& b) { return a.name < b.name; });
  return words;
}();

// Destinations that hold no text of the document.
// clang-format off
constexpr std::string_view kSkippedDestinations[] = {
    "annotation", "atnauthor", "atndate", "atnicn", "atnid", "atnparent", "atnref", "atntime",
    "atrfend", "atrfstart", "author", "bkmkend", "bkmkstart", "blipuid", "buptim", "category",
    "colorschememapping", "colortbl", "comment", "company", "creatim", "datafield", "datastore",
    "defchp", "defpap", "do", "doccomm", "docvar", "dptxbxtext", "falt", "fchars", "ffdeftext",
    "ffentrymcr", "ffexitmcr", "ffformat", "ffhelptext", "ffl", "ffname", "ffstattext",
    "fontemb", "fontfile", "footer", "footerf", "footerl", "footerr", "footnote", "ftncn", "ftnsep",
    "ftnsepc", "generator", "header", "headerf", "headerl", "headerr", "hlinkbase", "info",
    "keywords", "latentstyles", "lchars", "levelnumbers", "leveltext", "lfolevel", "linkval",
    "list", "listlevel", "listname", "listoverride", "listoverridetable", "listpicture",
    "liststylename", "listtable", "manager", "mmathPr", "nesttableprops", "nextfile",
    "nonesttables", "nonshppict", "objalias", "objclass", "objdata", "objname", "objsect",
    "objtime", "oldcprops", "oldpprops", "oldsprops", "oldtprops", "operator", "panose", "pgdsctbl",
    "pict", "pn", "pnseclvl", "pntxta", "pntxtb", "printim", "private", "propname", "protend",
    "protstart", "protusertbl", "pxe", "revtbl", "revtim", "rsidtbl", "rxe", "shp", "shpgrp",
    "shpinst", "shppict", "shprslt", "shptxt", "sn", "sp", "staticval", "stylesheet", "subject",
    "sv", "tc", "template", "themedata", "title", "txe", "userprops", "wgrffmtfilter",
    "windowcaption", "writereservation", "writereservhash", "xe", "xform", "xmlattrname",
    "xmlattrvalue", "xmlclose", "xmlname", "xmlnstbl", "xmlopen"};
// clang-format on
static_assert(std::is_sorted(std::begin(kSkippedDestinations), std::end(kSkippedDestinations)));

const Word* findWord(std::string_view name) {
  const auto* it = std::lower_bound(kWords.begin(), kWords.end(), name,
                                    [](const Word& w, std::string_view n) { return w.name < n; });
  if (it != kWords.end() && it->name == name) return &*it;
  static constexpr Word kSkip{"", Act::SkipDestination};
  const bool skipped =
      std::binary_search(std::begin(kSkippedDestinations), std::end(kSkippedDestinations), name);
  return skipped ? &kSkip : nullptr;
}

// ---------------------------------------------------------------------------
// The reader

constexpr std::size_t kMaxWordLetters = 32;
constexpr std::int64_t kMaxParameter = 0x7FFFFFFF;
constexpr std::size_t kMaxFonts = 4096;
constexpr std::size_t kMaxNameUnits = 1024;
constexpr std::size_t kMaxPendingBytes = 65536;
constexpr std::size_t kMaxFieldUnits = 4096;
constexpr std::size_t kMaxOpenFields = 64;
constexpr int kMaxNoteNumber = 999999;
constexpr int kDefaultHalfPoints = 24;

bool isLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}
int hexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Where the characters of a group go.
enum class Sink : std::uint8_t { Body, FontTable, AttachmentName, FieldInstruction };

// What a group changes; a group that changes nothing costs nothing.
struct GroupState {
  int font = -1;                // -1: the default font
  int associatedFont = -1;      // \af: the font of double-byte characters
  std::int16_t halfPoints = 0;  // 0: not set
  std::uint8_t uc = 1;
  Sink sink = Sink::Body;
  bool bold : 1 = false;
  bool italic : 1 = false;
  bool underline : 1 = false;
  bool hidden : 1 = false;
  bool ansiTwin : 1 = false;    // inside \upr, whose \ud twin holds the text
  bool listText : 1 = false;    // a list item's marker (\listtext)
  bool doubleByte : 1 = false;  // \dbch: lead bytes take the associated font
};

struct SavedState {
  std::size_t depth;
  GroupState state;
};

struct FontEntry {
  int charset = -1;
  int codePage = 0;
  std::u16string name;
  bool nameDone = false;
  String displayName;  // trimmed, shared by every run in this font
  detail::SymbolFont symbol = detail::SymbolFont::None;
};

struct Field {
  std::size_t depth;  // of the field's group
  std::u16string instruction;
  bool shown = false;  // its result put text in the document
};

struct Token {
  std::string_view word;  // empty when longer than any control word
  bool hasParameter = false;
  std::int64_t parameter = 0;
};

// The text being read, in a block that grows in place where the allocator
// can and is handed to the String without a copy.
class UnitBuffer {
 public:
  explicit UnitBuffer(std::size_t expected) : capacity_(std::max<std::size_t>(expected, 16)) {
    units_ = static_cast<char16_t*>(std::malloc(capacity_ * sizeof(char16_t)));
    if (units_ == nullptr) throw std::bad_alloc();
  }
  ~UnitBuffer() { std::free(units_); }
  UnitBuffer(const UnitBuffer&) = delete;
  UnitBuffer& operator=(const UnitBuffer&) = delete;

  void push_back(char16_t c) {
    if (size_ == capacity_) grow();
    units_[size_++] = c;
  }
  [[nodiscard]] std::size_t size() const { return size_; }
  char16_t& operator[](std::size_t i) { return units_[i]; }

  // The text as a String; the buffer is empty afterwards. Nil without memory.
  String take() {
    if (size_ == 0) return String(u"");
    if (auto* fitted = static_cast<char16_t*>(std::realloc(units_, size_ * sizeof(char16_t)))) {
      units_ = fitted;
    }
    char16_t* units = std::exchange(units_, nullptr);
    return String::adoptingCharacters(units, std::exchange(size_, 0),
                                      [](unichar* block) { std::free(block); });
  }

 private:
  void grow() {
    const std::size_t capacity = capacity_ + capacity_ / 2;
    auto* grown = static_cast<char16_t*>(std::realloc(units_, capacity * sizeof(char16_t)));
    if (grown == nullptr) throw std::bad_alloc();
    units_ = grown;
    capacity_ = capacity;
  }

  char16_t* units_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_;
};

class Reader {
 public:
  // `plain`: only the characters, no runs, and \line as "\n".
  Reader(std::string_view data, const RtfAttachmentLookup& lookup, bool plain)
      : in_(data), lookup_(lookup), plain_(plain), text_(data.size()) {
    // A run takes three bytes of RTF at least ("{\b x}y" is two): room for
    // them all up front, so the list never moves while it grows. Pages never
    // written are never taken from the system.
    if (!plain_) starts_.reserve(data.size() / 3 + 16);
  }

  // Reads the document; false when it is not RTF.
  bool read(DocumentAttributes* documentAttributes) {
    if (!skipToHeader()) return false;
    while (pos_ < in_.size() && !done_) {
      const auto c = static_cast<unsigned char>(in_[pos_++]);
      switch (c) {
        case '{':
          flushBytes();
          skip_ = 0;
          ignorableNext_ = false;
          ++depth_;
          break;
        case '}':
          flushBytes();
          ignorableNext_ = false;
          closeGroup();
          break;
        case '\\':
          control();
          break;
        case '\r':
        case '\n':
          break;
        default:
          textByte(c);
          break;
      }
    }
    flushBytes();
    repairSurrogates();
    if (documentAttributes != nullptr) {
      doc_.documentType = NSRTFTextDocumentType;
      *documentAttributes = doc_;
    }
    return true;
  }

  String takeText() { return text_.take(); }
  std::vector<TextAttributes> takeStyles() { return std::move(styles_); }
  std::vector<RunStart> takeRunStarts() { return std::move(starts_); }

 private:
  bool skipToHeader() {
    if (in_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    while (pos_ < in_.size() &&
           (in_[pos_] == ' ' || in_[pos_] == '\t' || in_[pos_] == '\r' || in_[pos_] == '\n')) {
      ++pos_;
    }
    return in_.substr(pos_, 5) == "{\\rtf";
  }

  // --- groups ---

  // The current group's state, to be changed: the enclosing group's is kept
  // first, once per group.
  GroupState& state() {
    if (saved_.empty() || saved_.back().depth != depth_) saved_.push_back(SavedState{depth_, cur_});
    return cur_;
  }

  void closeGroup() {
    skip_ = 0;
    if (depth_ == 0) {
      done_ = true;
      return;
    }
    const Sink leaving = cur_.sink;
    if (!saved_.empty() && saved_.back().depth == depth_) {
      cur_ = saved_.back().state;
      saved_.pop_back();
      attributesDirty_ = true;
    }
    --depth_;
    if (leaving == Sink::AttachmentName && cur_.sink != Sink::AttachmentName) resolveAttachment();
    if (leaving == Sink::FontTable && cur_.sink != Sink::FontTable) finishFonts();
    while (!fields_.empty() && fields_.back().depth > depth_) {
      const Field field = std::move(fields_.back());
      fields_.pop_back();
      if (!field.shown) {
        for (const char16_t c : visibleFieldText(field.instruction)) emit(c);
      }
    }
    if (depth_ == 0) done_ = true;
  }

  // Skips the rest of the current group, its closing brace included.
  void skipGroup() {
    std::size_t depth = 0;
    while (pos_ < in_.size()) {
      const auto c = static_cast<unsigned char>(in_[pos_++]);
      if (c == '\\') {
        if (pos_ >= in_.size()) break;
        if (isLetter(static_cast<unsigned char>(in_[pos_]))) {
          const Token t = readWord();
          if (t.word == "bin") skipBinary(t);
        } else {
          ++pos_;
        }
      } else if (c == '{') {
        ++depth;
      } else if (c == '}') {
        if (depth == 0) {
          closeGroup();
          return;
        }
        --depth;
      }
    }
  }

  void skipBinary(const Token& t) {
    if (!t.hasParameter || t.parameter <= 0) return;
    const auto n = static_cast<std::size_t>(t.parameter);
    pos_ += std::min(n, in_.size() - pos_);
  }

  // --- lexing ---

  // At the first letter of a control word: reads it, its parameter and the
  // space that may end it.
  Token readWord() {
    Token t;
    const std::size_t start = pos_;
    while (pos_ < in_.size() && isLetter(static_cast<unsigned char>(in_[pos_]))) ++pos_;
    if (pos_ - start <= kMaxWordLetters) t.word = in_.substr(start, pos_ - start);
    bool negative = false;
    if (pos_ + 1 < in_.size() && in_[pos_] == '-' &&
        isDigit(static_cast<unsigned char>(in_[pos_ + 1]))) {
      negative = true;
      ++pos_;
    }
    if (pos_ < in_.size() && isDigit(static_cast<unsigned char>(in_[pos_]))) {
      t.hasParameter = true;
      std::int64_t value = 0;
      while (pos_ < in_.size() && isDigit(static_cast<unsigned char>(in_[pos_]))) {
        value = std::min(value * 10 + (in_[pos_] - '0'), kMaxParameter);
        ++pos_;
      }
      t.parameter = negative ? -value : value;
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    return t;
  }

  void control() {
    if (pos_ >= in_.size()) return;
    const auto c = static_cast<unsigned char>(in_[pos_]);
    if (isLetter(c)) {
      word(readWord());
      return;
    }
    ++pos_;
    switch (c) {
      case '\'':
        hexByte();
        return;
      case '\\':
      case '{':
      case '}':
        textByte(c);
        return;
      default:
        break;
    }
    flushBytes();
    if (skip_ > 0) {
      --skip_;
      return;
    }
    switch (c) {
      case '*':
        ignorableNext_ = true;
        break;
      case '~':
        emit(u'\u00A0');
        break;
      case '-':
        emit(u'\u00AD');
        break;
      case '_':
        emit(u'\u2011');
        break;
      case '\r':
      case '\n':
        emit(u'\n');
        break;
      default:
        break;  // \| \: and unknown symbols carry no text
    }
  }

  void hexByte() {
    int value = 0;
    for (int i = 0; i < 2; ++i) {
      if (pos_ >= in_.size()) return;
      const int h = hexValue(static_cast<unsigned char>(in_[pos_]));
      if (h < 0) return;
      value = value * 16 + h;
      ++pos_;
    }
    ignorableNext_ = false;
    if (skip_ > 0) {
      --skip_;
      return;
    }
    addByte(static_cast<unsigned char>(value));
  }

  void textByte(unsigned char c) {
    ignorableNext_ = false;
    if (skip_ > 0) {
      --skip_;
      return;
    }
    if (c >= 0x80 || needTrail_) {
      addByte(c);
      return;
    }
    flushBytes();
    if (c == '\t') {
      emit(u'\t');
    } else if (c >= 0x20 && c != 0x7F) {
      if (const detail::SymbolFont symbol = symbolFont(); symbol != detail::SymbolFont::None) {
        emitCode(detail::symbolCharacter(symbol, c));
      } else {
        emit(static_cast<char16_t>(c));
      }
    }
  }

  // --- bytes in a code page ---

  void addByte(unsigned char b) {
    if (!needTrail_) {
      if (const detail::SymbolFont symbol = symbolFont(); symbol != detail::SymbolFont::None) {
        flushBytes();
        emitCode(detail::symbolCharacter(symbol, b));
        return;
      }
      const int codePage = codePageFor(b);
      if (!bytes_.empty() && codePage != bytesCodePage_) flushBytes();
      if (bytes_.empty()) bytesCodePage_ = codePage;
    }
    bytes_.push_back(static_cast<char>(b));
    needTrail_ = !needTrail_ && isLeadByte(bytesCodePage_, b);
    // Decode long runs in pieces (never inside a pair) to bound the buffers.
    if (bytes_.size() >= kMaxPendingBytes && !needTrail_) flushBytes();
  }

  void flushBytes() {
    needTrail_ = false;
    if (bytes_.empty()) return;
    decoded_.clear();
    decode(bytes_, bytesCodePage_, decoded_);
    bytes_.clear();
    for (char16_t u : decoded_) emit(u);
  }

  // The ICU converter of a code page TextEncodings does not know, opened
  // once per document; null when ICU does not know it either.
  UConverter* converter(int codePage) {
    auto found = converters_.find(codePage);
    if (found == converters_.end()) {
      found = converters_.emplace(codePage, openIcuConverter(codePage)).first;
    }
    return found->second.get();
  }

  bool isKnownCodePage(std::int64_t codePage) {
    if (codePage <= 0 || codePage > 0xFFFF) return false;
    const int cp = static_cast<int>(codePage);
    return encodingForCodePage(cp) != 0 || converter(cp) != nullptr;
  }

  void decode(const std::string& bytes, int codePage, std::u16string& out) {
    if (const NSUInteger encoding = encodingForCodePage(codePage); encoding != 0) {
      decodeWithEncoding(bytes, codePage, encoding, out);
    } else if (UConverter* c = converter(codePage)) {
      decodeWithIcu(c, bytes, out);
    } else {
      decodeUnknown(bytes, codePage, out);
    }
  }

  const FontEntry* font(int number) const {
    const auto it = fonts_.find(number);
    return it == fonts_.end() ? nullptr : &it->second;
  }

  // The code page of a font, 0 for the document's.
  int fontCodePage(int number) const {
    if (const FontEntry* f = font(number)) {
      if (f->codePage > 0) return f->codePage;
      return codePageForCharset(f->charset);
    }
    return 0;
  }

  int currentCodePage() const {
    const int number = cur_.sink == Sink::FontTable ? fontEntry_
                       : cur_.font >= 0             ? cur_.font
                                                    : defaultFont_;
    const int codePage = fontCodePage(number);
    return codePage > 0 ? codePage : documentCodePage_;
  }

  // The code page of the character that starts with byte `b`: under \dbch a
  // lead byte of the associated font's double-byte code page takes that
  // one, everything else the current font's.
  int codePageFor(unsigned char b) const {
    if (cur_.doubleByte && cur_.associatedFont >= 0 && cur_.sink != Sink::FontTable) {
      const int codePage = fontCodePage(cur_.associatedFont);
      if (codePage > 0 && isLeadByte(codePage, b)) return codePage;
    }
    return currentCodePage();
  }

  // The symbol font text is in, if it is in one.
  detail::SymbolFont symbolFont() {
    if (cur_.sink != Sink::Body) return detail::SymbolFont::None;
    const int number = cur_.font >= 0 ? cur_.font : defaultFont_;
    if (number != symbolFontNumber_) {
      symbolFontNumber_ = number;
      const FontEntry* f = font(number);
      symbolFontKind_ = f != nullptr ? f->symbol : detail::SymbolFont::None;
    }
    return symbolFontKind_;
  }

  void setDocumentCodePage(std::int64_t codePage) {
    if (isKnownCodePage(codePage)) {
      documentCodePage_ = static_cast<int>(codePage);
    } else {
      documentCodePage_ = 1252;
    }
  }

  // Names and kinds of the fonts just read.
  void finishFonts() {
    for (auto& [number, f] : fonts_) {
      if (!f.displayName.isNil()) continue;
      std::u16string_view name = f.name;
      while (!name.empty() && name.front() == u' ') name.remove_prefix(1);
      while (!name.empty() && name.back() == u' ') name.remove_suffix(1);
      f.displayName = String(name);
      f.symbol = detail::symbolFontFor(name, f.charset);
    }
    symbolFontNumber_ = INT_MIN;
  }

  // --- control words ---

  void word(const Token& t) {
    const Word* w = findWord(t.word);
    if (ignorableNext_) {
      ignorableNext_ = false;
      if (w == nullptr || !isReadDestination(w->act)) {
        flushBytes();
        skipGroup();
        return;
      }
    }
    flushBytes();
    if (skip_ > 0) {
      --skip_;
      if (w != nullptr && w->act == Act::Bin) skipBinary(t);
      return;
    }
    if (w == nullptr) return;
    const bool on = !t.hasParameter || t.parameter != 0;
    const auto param = static_cast<int>(t.parameter);
    switch (w->act) {
      case Act::SkipDestination:
        skipGroup();
        break;
      case Act::FontTable:
        state().sink = Sink::FontTable;
        fontEntry_ = -1;
        break;
      case Act::Font:
        if (!t.hasParameter) break;
        if (cur_.sink == Sink::FontTable) {
          fontEntry_ = param;
          if (fonts_.size() < kMaxFonts) fonts_[param] = FontEntry{};
        } else {
          state().font = param;
          attributesDirty_ = true;
        }
        break;
      case Act::FontCharset:
        if (FontEntry* f = tableEntry(); f != nullptr && t.hasParameter) f->charset = param;
        break;
      case Act::FontCodePage:
        if (FontEntry* f = tableEntry(); f != nullptr && isKnownCodePage(t.parameter)) {
          f->codePage = param;
        }
        break;
      case Act::DefaultFont:
        if (t.hasParameter) defaultFont_ = param;
        attributesDirty_ = true;
        break;
      case Act::Ansi:
        documentCodePage_ = 1252;
        break;
      case Act::Mac:
        documentCodePage_ = 10000;
        break;
      case Act::Pc:
        setDocumentCodePage(437);
        break;
      case Act::Pca:
        setDocumentCodePage(850);
        break;
      case Act::AnsiCodePage:
        if (t.hasParameter) {
          doc_.ansiCodePage = t.parameter > 0 ? static_cast<NSUInteger>(t.parameter) : 0;
          setDocumentCodePage(t.parameter);
        }
        break;
      case Act::Uc:
        state().uc = static_cast<std::uint8_t>(t.hasParameter ? std::clamp(param, 0, 255) : 1);
        break;
      case Act::U:
        if (t.hasParameter) unicode(t.parameter);
        break;
      case Act::Par:
        emit(u'\n');
        break;
      case Act::Line:
        emit(plain_ ? u'\n' : u'\u2028');
        break;
      case Act::Page:
        emit(u'\f');
        break;
      case Act::Tab:
        emit(u'\t');
        break;
      case Act::Character:
        emit(w->character);
        break;
      case Act::Bold:
        state().bold = on;
        attributesDirty_ = true;
        break;
      case Act::Italic:
        state().italic = on;
        attributesDirty_ = true;
        break;
      case Act::Underline:
        state().underline = on;
        attributesDirty_ = true;
        break;
      case Act::UnderlineNone:
        state().underline = false;
        attributesDirty_ = true;
        break;
      case Act::Hidden:
        state().hidden = on;
        break;
      case Act::FontSize:
        state().halfPoints = static_cast<std::int16_t>(
            t.hasParameter && param > 0 ? std::min(param, 32767) : kDefaultHalfPoints);
        attributesDirty_ = true;
        break;
      case Act::Plain: {
        GroupState& s = state();
        s.bold = s.italic = s.underline = s.hidden = false;
        s.halfPoints = 0;
        s.font = -1;
        attributesDirty_ = true;
        break;
      }
      case Act::Bin:
        skipBinary(t);
        break;
      case Act::PaperWidth:
        setTwips(doc_.paperWidth, t);
        break;
      case Act::PaperHeight:
        setTwips(doc_.paperHeight, t);
        break;
      case Act::MarginLeft:
        setTwips(doc_.leftMargin, t);
        break;
      case Act::MarginRight:
        setTwips(doc_.rightMargin, t);
        break;
      case Act::MarginTop:
        setTwips(doc_.topMargin, t);
        break;
      case Act::MarginBottom:
        setTwips(doc_.bottomMargin, t);
        break;
      case Act::Attachment:
        state().sink = Sink::AttachmentName;
        attachmentName_.clear();
        break;
      case Act::Field:
        if (fields_.size() < kMaxOpenFields) fields_.push_back(Field{depth_, {}, false});
        break;
      case Act::FieldInstruction:
        state().sink = Sink::FieldInstruction;
        break;
      case Act::FieldResult:
        break;  // its text is the document's
      case Act::AnsiTwin:
        state().ansiTwin = true;
        break;
      case Act::UnicodeTwin:
        state().ansiTwin = false;
        break;
      case Act::FootnoteMark:
        footnoteMark();
        break;
      case Act::FootnoteStart:
        footnoteNumber_ = std::clamp(param, 1, kMaxNoteNumber);
        break;
      case Act::EndnoteStart:
        endnoteNumber_ = std::clamp(param, 1, kMaxNoteNumber);
        break;
      case Act::FootnoteNumbering:
        footnoteNumbering_ = static_cast<Numbering>(w->character);
        break;
      case Act::EndnoteNumbering:
        endnoteNumbering_ = static_cast<Numbering>(w->character);
        break;
      case Act::ListText:
        state().listText = true;
        break;
      case Act::AssociatedFont:
        if (t.hasParameter) state().associatedFont = param;
        break;
      case Act::DoubleByte:
        state().doubleByte = true;
        break;
      case Act::SingleByte:
        state().doubleByte = false;
        break;
    }
  }

  FontEntry* tableEntry() {
    if (cur_.sink != Sink::FontTable) return nullptr;
    const auto it = fonts_.find(fontEntry_);
    return it == fonts_.end() ? nullptr : &it->second;
  }

  static void setTwips(std::optional<double>& field, const Token& t) {
    if (t.hasParameter && t.parameter >= 0) field = static_cast<double>(t.parameter) / 20.0;
  }

  void unicode(std::int64_t n) {
    if (n < 0) n += 0x10000;
    if (n >= 0xF020 && n <= 0xF0FF && cur_.sink == Sink::Body) {
      // The private-use twin of a symbol font's character. Outside a symbol
      // font it is Symbol's, the usual source, except in a list marker,
      // whose font is the list's: there it is a bullet.
      const detail::SymbolFont symbol = symbolFont();
      if (symbol != detail::SymbolFont::None) {
        emitCode(detail::symbolCharacter(symbol, static_cast<unsigned>(n)));
      } else if (cur_.listText) {
        emit(u'\u2022');
      } else {
        emitCode(detail::symbolCharacter(detail::SymbolFont::Symbol, static_cast<unsigned>(n)));
      }
    } else if (n > 0 && n <= 0x10FFFF) {
      // Above 0xFFFF not RTF, but some writers put whole code points in \uN.
      emitCode(static_cast<char32_t>(n));
    }
    skip_ = cur_.uc;
  }

  // A footnote or endnote mark: the note's number in the document's style.
  // The note itself ({\*\footnote ...}) is left out, as word processors' own
  // plain text leaves it out.
  void footnoteMark() {
    if (cur_.sink != Sink::Body) return;
    const bool endnote = endnoteFollows();
    int& number = endnote ? endnoteNumber_ : footnoteNumber_;
    Numbering style = endnote ? endnoteNumbering_ : footnoteNumbering_;
    // Letters and marks repeat as they count up; past four rounds, digits.
    const bool letters = style == Numbering::LowerAlpha || style == Numbering::UpperAlpha;
    if ((letters && number > 4 * 26) || (style == Numbering::Chicago && number > 4 * 4) ||
        number >= 4000) {
      style = Numbering::Arabic;
    }
    for (const char16_t c : formatNumber(number, style)) emit(c);
    number = std::min(number + 1, kMaxNoteNumber);
  }

  // Whether the note right after this mark is an endnote ({\*\footnote\ftnalt).
  [[nodiscard]] bool endnoteFollows() const {
    const std::string_view ahead = in_.substr(pos_, 64);
    const std::size_t at = ahead.find("\\footnote");
    if (at == std::string_view::npos) return false;
    std::string_view after = in_.substr(pos_ + at + 9, 16);
    while (!after.empty() &&
           (after.front() == ' ' || after.front() == '\r' || after.front() == '\n')) {
      after.remove_prefix(1);
    }
    return after.starts_with("\\ftnalt");
  }

  // --- output ---

  void emitCode(char32_t c) {
    if (c > 0xFFFF) {
      c -= 0x10000;
      emit(static_cast<char16_t>(0xD800 + (c >> 10)));
      emit(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      emit(static_cast<char16_t>(c));
    }
  }

  void emit(char16_t c) {
    if (c == 0) return;  // a NUL byte (\'00) is no text
    switch (cur_.sink) {
      case Sink::Body:
        if (!cur_.hidden && !cur_.ansiTwin) appendBody(c);
        break;
      case Sink::FontTable:
        if (FontEntry* f = tableEntry(); f != nullptr && !f->nameDone) {
          if (c == u';') {
            f->nameDone = true;
          } else if (f->name.size() < kMaxNameUnits) {
            f->name += c;
          }
        }
        break;
      case Sink::AttachmentName:
        if (attachmentName_.size() < kMaxNameUnits) attachmentName_ += c;
        break;
      case Sink::FieldInstruction:
        if (!fields_.empty() && fields_.back().instruction.size() < kMaxFieldUnits) {
          fields_.back().instruction += c;
        }
        break;
    }
  }

  void appendBody(char16_t c) {
    if (!fields_.empty()) fields_.back().shown = true;
    if (plain_) {
      text_.push_back(c);
      return;
    }
    if (c == NSAttachmentCharacter && pendingAttachment_ != nullptr) {
      TextAttributes a = currentAttributes();
      a.attachment = std::move(pendingAttachment_);
      styles_.push_back(std::move(a));
      starts_.push_back(RunStart{text_.size(), static_cast<std::uint32_t>(styles_.size() - 1)});
      text_.push_back(c);
      attributesDirty_ = true;
      lastStyleKey_ = kNoStyleKey;  // the next character starts a run of its own
      return;
    }
    pendingAttachment_.reset();
    if (attributesDirty_ || starts_.empty()) {
      const std::uint64_t key = styleKey();
      if (starts_.empty() || key != lastStyleKey_) {
        starts_.push_back(RunStart{text_.size(), styleFor(key)});
        lastStyleKey_ = key;
      }
      attributesDirty_ = false;
    }
    text_.push_back(c);
  }

  // The style of the current group as one number: flags, size and font.
  [[nodiscard]] std::uint64_t styleKey() const {
    const int font = cur_.font >= 0 ? cur_.font : defaultFont_;
    return (cur_.bold ? 1u : 0u) | (cur_.italic ? 2u : 0u) | (cur_.underline ? 4u : 0u) |
           static_cast<std::uint64_t>(static_cast<std::uint16_t>(cur_.halfPoints)) << 3 |
           static_cast<std::uint64_t>(static_cast<std::uint32_t>(font)) << 32;
  }

  // The index of the style of `key`, made on first use.
  std::uint32_t styleFor(std::uint64_t key) {
    const auto [it, added] =
        styleIndex_.try_emplace(key, static_cast<std::uint32_t>(styles_.size()));
    if (added) styles_.push_back(currentAttributes());
    return it->second;
  }

  TextAttributes currentAttributes() const {
    TextAttributes a;
    a.bold = cur_.bold;
    a.italic = cur_.italic;
    a.underline = cur_.underline;
    a.fontSize = cur_.halfPoints / 2.0;
    if (const FontEntry* f = font(cur_.font >= 0 ? cur_.font : defaultFont_)) {
      if (!f->displayName.isEmpty()) a.fontName = f->displayName;
    }
    return a;
  }

  void resolveAttachment() {
    pendingAttachment_.reset();
    if (lookup_ && !attachmentName_.empty()) pendingAttachment_ = lookup_(String(attachmentName_));
  }

  // A lone surrogate is no character; U+FFFD keeps the text valid UTF-16.
  void repairSurrogates() {
    for (std::size_t i = 0; i < text_.size(); ++i) {
      const char16_t c = text_[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text_.size() && text_[i + 1] >= 0xDC00 &&
          text_[i + 1] <= 0xDFFF) {
        ++i;
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        text_[i] = u'\uFFFD';
      }
    }
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  const RtfAttachmentLookup& lookup_;
  const bool plain_;

  GroupState cur_;
  std::size_t depth_ = 0;
  std::vector<SavedState> saved_;
  bool done_ = false;
  int skip_ = 0;  // \uc fallback units still to skip
  bool ignorableNext_ = false;

  std::string bytes_;  // \'hh and raw bytes waiting to be decoded together
  std::u16string decoded_;
  int bytesCodePage_ = 1252;
  bool needTrail_ = false;
  std::map<int, ConverterPtr> converters_;

  int documentCodePage_ = 1252;
  int defaultFont_ = -1;
  std::map<int, FontEntry> fonts_;
  int fontEntry_ = -1;
  int symbolFontNumber_ = INT_MIN;
  detail::SymbolFont symbolFontKind_ = detail::SymbolFont::None;
  DocumentAttributes doc_;

  std::vector<Field> fields_;
  int footnoteNumber_ = 1;
  int endnoteNumber_ = 1;
  Numbering footnoteNumbering_ = Numbering::Arabic;
  Numbering endnoteNumbering_ = Numbering::Arabic;

  static constexpr std::uint64_t kNoStyleKey = ~std::uint64_t{0};

  UnitBuffer text_;
  std::vector<RunStart> starts_;
  std::vector<TextAttributes> styles_;
  std::unordered_map<std::uint64_t, std::uint32_t> styleIndex_;
  std::uint64_t lastStyleKey_ = kNoStyleKey;
  bool attributesDirty_ = true;
  std::u16string attachmentName_;
  std::shared_ptr<const TextAttachment> pendingAttachment_;
};

}  // namespace

std::optional<AttributedString> readRTF(std::string_view data,
                                        DocumentAttributes* documentAttributes,
                                        const RtfAttachmentLookup& lookup) {
  try {
    Reader reader(data, lookup, false);
    DocumentAttributes doc;
    if (!reader.read(&doc)) return std::nullopt;
    const String text = reader.takeText();
    if (text.isNil()) return std::nullopt;
    std::optional<AttributedString> result =
        AttributedString::withRunStarts(text, reader.takeStyles(), reader.takeRunStarts());
    if (!result || result->length() != text.length()) return std::nullopt;
    if (documentAttributes != nullptr) *documentAttributes = std::move(doc);
    return result;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

String readRTFCharacters(std::string_view data, DocumentAttributes* documentAttributes) {
  try {
    static const RtfAttachmentLookup kNoLookup;
    Reader reader(data, kNoLookup, true);
    DocumentAttributes doc;
    if (!reader.read(&doc)) return String();
    String text = reader.takeText();
    if (!text.isNil() && documentAttributes != nullptr) *documentAttributes = std::move(doc);
    return text;
  } catch (const std::bad_alloc&) {
    return String();
  }
}

}  // namespace orvin
