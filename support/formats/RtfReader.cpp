#include "support/formats/RtfReader.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <map>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "chars/TextEncodings.h"

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
};

struct Word {
  std::string_view name;
  Act act;
  char16_t character = 0;
};

constexpr auto kWords = [] {
  std::array words{
      Word{"ansi", Act::Ansi},
      Word{"ansicpg", Act::AnsiCodePage},
      Word{"b", Act::Bold},
      Word{"bin", Act::Bin},
      Word{"bullet", Act::Character, u'\u2022'},
      Word{"cell", Act::Par},
      Word{"cpg", Act::FontCodePage},
      Word{"deff", Act::DefaultFont},
      Word{"emdash", Act::Character, u'\u2014'},
      Word{"emspace", Act::Character, u'\u2003'},
      Word{"endash", Act::Character, u'\u2013'},
      Word{"enspace", Act::Character, u'\u2002'},
      Word{"f", Act::Font},
      Word{"fcharset", Act::FontCharset},
      Word{"fonttbl", Act::FontTable},
      Word{"fs", Act::FontSize},
      Word{"i", Act::Italic},
      Word{"ldblquote", Act::Character, u'\u201C'},
      Word{"line", Act::Line},
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
    "ffentrymcr", "ffexitmcr", "ffformat", "ffhelptext", "ffl", "ffname", "ffstattext", "fldinst",
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
    "sv", "tc", "template", "themedata", "title", "txe", "ud", "upr", "userprops", "wgrffmtfilter",
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
enum class Sink : std::uint8_t { Body, FontTable, AttachmentName };

struct GroupState {
  Sink sink = Sink::Body;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool hidden = false;
  int halfPoints = 0;  // 0: not set
  int font = -1;       // -1: the default font
  int uc = 1;
};

struct FontEntry {
  int charset = -1;
  int codePage = 0;
  std::u16string name;
  bool nameDone = false;
};

struct Token {
  std::string_view word;  // empty when longer than any control word
  bool hasParameter = false;
  std::int64_t parameter = 0;
};

class Reader {
 public:
  Reader(std::string_view data, const RtfAttachmentLookup& lookup) : in_(data), lookup_(lookup) {}

  std::optional<AttributedString> read(DocumentAttributes* documentAttributes) {
    if (!skipToHeader()) return std::nullopt;
    while (pos_ < in_.size() && !done_) {
      const auto c = static_cast<unsigned char>(in_[pos_++]);
      switch (c) {
        case '{':
          flushBytes();
          skip_ = 0;
          ignorableNext_ = false;
          openGroup();
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
    std::optional<AttributedString> result = AttributedString::withRuns(
        String::withCharacters(text_.data(), text_.size()), std::move(runs_));
    if (!result || result->length() != text_.size()) return std::nullopt;
    if (documentAttributes != nullptr) {
      doc_.documentType = NSRTFTextDocumentType;
      *documentAttributes = doc_;
    }
    return result;
  }

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

  void openGroup() {
    if (stack_.size() >= kRtfMaxGroupDepth) {
      ++overflow_;
      return;
    }
    stack_.push_back(cur_);
  }

  void closeGroup() {
    skip_ = 0;
    if (overflow_ > 0) {
      --overflow_;
      return;
    }
    if (stack_.empty()) {
      done_ = true;
      return;
    }
    const Sink leaving = cur_.sink;
    cur_ = stack_.back();
    stack_.pop_back();
    attributesDirty_ = true;
    if (leaving == Sink::AttachmentName && cur_.sink != Sink::AttachmentName) resolveAttachment();
    if (stack_.empty()) done_ = true;
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
      emit(static_cast<char16_t>(c));
    }
  }

  // --- bytes in a code page ---

  void addByte(unsigned char b) {
    if (bytes_.empty()) bytesCodePage_ = currentCodePage();
    bytes_.push_back(static_cast<char>(b));
    needTrail_ = !needTrail_ && isLeadByte(bytesCodePage_, b);
    // Decode long runs in pieces (never inside a pair) to bound the buffers.
    if (bytes_.size() >= kMaxPendingBytes && !needTrail_) flushBytes();
  }

  void flushBytes() {
    needTrail_ = false;
    if (bytes_.empty()) return;
    std::u16string decoded;
    decode(bytes_, bytesCodePage_, decoded);
    bytes_.clear();
    for (char16_t u : decoded) emit(u);
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
      decodeWithEncoding(bytes, 1252, NSWindowsCP1252StringEncoding, out);
    }
  }

  const FontEntry* font(int number) const {
    const auto it = fonts_.find(number);
    return it == fonts_.end() ? nullptr : &it->second;
  }

  int currentCodePage() const {
    const int number = cur_.sink == Sink::FontTable ? fontEntry_
                       : cur_.font >= 0             ? cur_.font
                                                    : defaultFont_;
    if (const FontEntry* f = font(number)) {
      if (f->codePage > 0) return f->codePage;
      if (const int cp = codePageForCharset(f->charset); cp > 0) return cp;
    }
    return documentCodePage_;
  }

  void setDocumentCodePage(std::int64_t codePage) {
    if (isKnownCodePage(codePage)) {
      documentCodePage_ = static_cast<int>(codePage);
    } else {
      documentCodePage_ = 1252;
    }
  }

  // --- control words ---

  void word(const Token& t) {
    if (ignorableNext_) {
      ignorableNext_ = false;
      if (t.word != "orvinattachment") {
        flushBytes();
        skipGroup();
        return;
      }
    }
    flushBytes();
    const Word* w = findWord(t.word);
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
        cur_.sink = Sink::FontTable;
        fontEntry_ = -1;
        break;
      case Act::Font:
        if (!t.hasParameter) break;
        if (cur_.sink == Sink::FontTable) {
          fontEntry_ = param;
          if (fonts_.size() < kMaxFonts) fonts_[param] = FontEntry{};
        } else {
          cur_.font = param;
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
        cur_.uc = t.hasParameter ? std::max(param, 0) : 1;
        break;
      case Act::U:
        if (t.hasParameter) unicode(t.parameter);
        break;
      case Act::Par:
        emit(u'\n');
        break;
      case Act::Line:
        emit(u'\u2028');
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
        setStyle(cur_.bold, on);
        break;
      case Act::Italic:
        setStyle(cur_.italic, on);
        break;
      case Act::Underline:
        setStyle(cur_.underline, on);
        break;
      case Act::UnderlineNone:
        setStyle(cur_.underline, false);
        break;
      case Act::Hidden:
        cur_.hidden = on;
        break;
      case Act::FontSize:
        cur_.halfPoints = t.hasParameter && param > 0 ? std::min(param, 32767) : kDefaultHalfPoints;
        attributesDirty_ = true;
        break;
      case Act::Plain:
        cur_.bold = cur_.italic = cur_.underline = cur_.hidden = false;
        cur_.halfPoints = 0;
        cur_.font = -1;
        attributesDirty_ = true;
        break;
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
        cur_.sink = Sink::AttachmentName;
        attachmentName_.clear();
        break;
    }
  }

  FontEntry* tableEntry() {
    if (cur_.sink != Sink::FontTable) return nullptr;
    const auto it = fonts_.find(fontEntry_);
    return it == fonts_.end() ? nullptr : &it->second;
  }

  void setStyle(bool& field, bool on) {
    field = on;
    attributesDirty_ = true;
  }

  static void setTwips(std::optional<double>& field, const Token& t) {
    if (t.hasParameter && t.parameter >= 0) field = static_cast<double>(t.parameter) / 20.0;
  }

  void unicode(std::int64_t n) {
    if (n < 0) n += 0x10000;
    if (n > 0 && n <= 0xFFFF) {
      emit(static_cast<char16_t>(n));
    } else if (n > 0xFFFF && n <= 0x10FFFF) {
      // Not RTF, but some writers put whole code points in \uN.
      n -= 0x10000;
      emit(static_cast<char16_t>(0xD800 + (n >> 10)));
      emit(static_cast<char16_t>(0xDC00 + (n & 0x3FF)));
    }
    skip_ = cur_.uc;
  }

  // --- output ---

  void emit(char16_t c) {
    if (c == 0) return;  // a NUL byte (\'00) is no text
    switch (cur_.sink) {
      case Sink::Body:
        if (!cur_.hidden) appendBody(c);
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
    }
  }

  void appendBody(char16_t c) {
    if (c == NSAttachmentCharacter && pendingAttachment_ != nullptr) {
      TextAttributes a = currentAttributes();
      a.attachment = std::move(pendingAttachment_);
      runs_.push_back(AttributeRun{NSRange{text_.size(), 1}, std::move(a)});
      text_ += c;
      attributesDirty_ = true;
      return;
    }
    pendingAttachment_.reset();
    if (attributesDirty_ || runs_.empty()) {
      TextAttributes a = currentAttributes();
      if (runs_.empty() || !(runs_.back().attributes == a)) {
        runs_.push_back(AttributeRun{NSRange{text_.size(), 0}, std::move(a)});
      }
      attributesDirty_ = false;
    }
    text_ += c;
    ++runs_.back().range.length;
  }

  TextAttributes currentAttributes() const {
    TextAttributes a;
    a.bold = cur_.bold;
    a.italic = cur_.italic;
    a.underline = cur_.underline;
    a.fontSize = cur_.halfPoints / 2.0;
    if (const FontEntry* f = font(cur_.font >= 0 ? cur_.font : defaultFont_)) {
      std::u16string_view name = f->name;
      while (!name.empty() && name.front() == u' ') name.remove_prefix(1);
      while (!name.empty() && name.back() == u' ') name.remove_suffix(1);
      if (!name.empty()) a.fontName = String(name);
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

  GroupState cur_;
  std::vector<GroupState> stack_;
  std::size_t overflow_ = 0;
  bool done_ = false;
  int skip_ = 0;  // \uc fallback units still to skip
  bool ignorableNext_ = false;

  std::string bytes_;  // \'hh and raw bytes waiting to be decoded together
  int bytesCodePage_ = 1252;
  bool needTrail_ = false;
  std::map<int, ConverterPtr> converters_;

  int documentCodePage_ = 1252;
  int defaultFont_ = -1;
  std::map<int, FontEntry> fonts_;
  int fontEntry_ = -1;
  DocumentAttributes doc_;

  std::u16string text_;
  std::vector<AttributeRun> runs_;
  bool attributesDirty_ = true;
  std::u16string attachmentName_;
  std::shared_ptr<const TextAttachment> pendingAttachment_;
};

}  // namespace

std::optional<AttributedString> readRTF(std::string_view data,
                                        DocumentAttributes* documentAttributes,
                                        const RtfAttachmentLookup& lookup) {
  try {
    Reader reader(data, lookup);
    return reader.read(documentAttributes);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace orvin
