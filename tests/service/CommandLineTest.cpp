// The command line: options, the request's pasteboard, and how text bytes
// are read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <tuple>

#include "service/CommandLine.h"

namespace wendlock {
namespace {

using orvin::String;

std::vector<std::string> argv(const std::vector<std::string>& args) {
  std::vector<std::string> all{"wendlock"};
  all.insert(all.end(), args.begin(), args.end());
  return all;
}

TEST(CommandLine, Parses) {
  using Source = Options::Source;
  // The arguments, the source, its file or text, the targets.
  using Strings = std::vector<std::string>;
  const std::tuple<Strings, Source, std::string, Strings> cases[] = {
      {{}, Source::None, "", {}},
      {{"--text", "hi"}, Source::Inline, "hi", {}},
      {{"--text=a=b"}, Source::Inline, "a=b", {}},
      {{"-t", ""}, Source::Inline, "", {}},
      {{"--file", "a.rtf"}, Source::File, "a.rtf", {}},
      {{"-f", "-"}, Source::File, "-", {}},
      {{"notes.txt"}, Source::File, "notes.txt", {}},  // "Open With" passes a bare path
      {{"-"}, Source::StandardInput, "", {}},
      {{"--to", "tcp:127.0.0.1", "--to=bt:00:1a:7d:da:71:13@12", "--ui=tty", "-t", "x"},
       Source::Inline,
       "x",
       {"tcp:127.0.0.1:650", "bt:00:1A:7D:DA:71:13@12"}},
  };
  for (const auto& [args, source, value, targets] : cases) {
    std::string error;
    const std::optional<Options> o = parseCommandLine(argv(args), &error);
    ASSERT_TRUE(o.has_value()) << error;
    EXPECT_EQ(o->source, source);
    EXPECT_EQ(source == Source::File ? o->file : o->text, value);
    Strings described;
    for (const ServiceRecord& r : o->targets) described.push_back(r.describe());
    EXPECT_EQ(described, targets);
    EXPECT_FALSE(o->help || o->version);
  }
  for (const char* flag : {"--help", "-h", "--version"}) {
    const auto o = parseCommandLine({"wendlock", flag}, nullptr);
    ASSERT_TRUE(o.has_value());
    EXPECT_EQ(o->help, flag[2] != 'v');
    EXPECT_EQ(o->version, flag[2] == 'v');
  }
}

TEST(CommandLine, RefusesBadUsageWithAReason) {
  // The arguments and a part of the message.
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"--text"}, "--text needs a value"},
      {{"-f"}, "--file needs a value"},  // named in full
      {{"--text", "a", "-"}, "one source"},
      {{"-", "--file", "x"}, "one source"},
      {{"--file=a", "--text=b"}, "one source"},
      {{"a.txt", "b.txt"}, "one source"},
      {{"--selection", "--clipboard"}, "--file, --text, -, --selection or --clipboard"},
      {{"--to", "udp:1.2.3.4"}, "--to udp:1.2.3.4: "},
      {{"--ui=bogus"}, "--ui"},
      {{"--bogus"}, "unknown argument: --bogus"},
      {{"--text-file", "x"}, "unknown argument"},
  };
  for (const auto& [args, reason] : cases) {
    std::string error;
    EXPECT_FALSE(parseCommandLine(argv(args), &error).has_value()) << reason;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
}

TEST(CommandLine, RequestPasteboard) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("wendlock-cl-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "a.RTF", std::ios::binary) << "{\\rtf1 Gr\\'fc\\'dfe}";
  std::ofstream(dir / "b.txt", std::ios::binary) << "Gr\xfc\xdf"
                                                    "e";  // Latin-1: not UTF-8
  std::ofstream(dir / "c.txt", std::ios::binary) << "\xff\xfe" << std::string("h\0\x00\xd8", 4);
  std::ofstream(dir / "d.txt", std::ios::binary) << "\xef\xbb\xbfGr\xc3\xbc\xc3\x9f"
                                                    "e";
  std::filesystem::create_directories(dir / "folder");
  const std::u16string_view rtf = orvin::NSRTFPboardType, plain = orvin::NSStringPboardType;
  // The arguments, the one type on the pasteboard (none: no pasteboard), its
  // data or a part of the reason there is none.
  const std::tuple<std::vector<std::string>, std::u16string_view, std::string> cases[] = {
      {{}, {}, ""},
      {{"-t", "Grüße"}, plain, "Grüße"},
      {{"-t", "\xff\xfe bad"}, {}, "--text is not text"},  // no byte-order mark sniffed
      {{"-f", (dir / "a.RTF").string()}, rtf, "{\\rtf1 Gr\\'fc\\'dfe}"},
      {{"-f", (dir / "d.txt").string()}, plain, "Grüße"},
      {{"-f", (dir / "b.txt").string()}, {}, "b.txt cannot be read as text"},
      {{"-f", (dir / "c.txt").string()}, {}, "c.txt cannot be read as text"},  // lone surrogate
      {{"-f", (dir / "missing.txt").string()}, {}, "missing.txt: No such file"},
      {{"-f", (dir / "folder").string()}, {}, "folder: Is a directory"},
  };
  for (const auto& [args, type, content] : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    std::string error;
    const auto pb = makeRequestPasteboard(*parseCommandLine(argv(args), &error), &error);
    if (type.empty()) {
      EXPECT_EQ(pb, nullptr);
      EXPECT_EQ(error.empty(), args.empty());
      EXPECT_NE(error.find(content), std::string::npos) << error;
      continue;
    }
    ASSERT_NE(pb, nullptr) << error;
    EXPECT_EQ(pb->types(), std::vector<String>{String(type)});
    EXPECT_EQ(pb->dataForType(String(type)), orvin::Bytes(content.begin(), content.end()));
  }
  std::filesystem::remove_all(dir);
}

TEST(CommandLine, DecodeText) {
  // The bytes, then the text from a file and from the user (nullopt: nil),
  // in the C locale, whose user text is UTF-8.
  using Text = std::optional<std::u16string>;
  const std::tuple<std::string, Text, Text> cases[] = {
      {"", u"", u""},
      {"Gr\xc3\xbc\xc3\x9f"
       "e \xf0\x9f\x98\x80",
       u"Grüße 😀", u"Grüße 😀"},
      {"\xef\xbb\xbfhi", u"hi", u"\uFEFFhi"},
      {std::string("\xff\xfeh\0i\0", 6), u"hi", std::nullopt},
      {std::string("\xfe\xff\0h\0i", 6), u"hi", std::nullopt},
      {std::string("\xff\xfe\x00\xd8", 4), std::nullopt, std::nullopt},  // lone surrogate
      {"\x93quoted\x94 \x80", std::nullopt, std::nullopt},               // no guessing
      {"caf\xe9", std::nullopt, std::nullopt},
  };
  for (const auto& [bytes, fromFile, fromUser] : cases) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    for (const auto& [text, expected] :
         {std::pair{decodeFileText(bytes), fromFile}, std::pair{decodeUserText(bytes), fromUser}}) {
      EXPECT_EQ(text.isNil() ? Text() : Text(text.toU16String()), expected);
    }
  }
}

}  // namespace
}  // namespace wendlock
