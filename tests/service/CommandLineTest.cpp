// The command line: options, the request's pasteboard, and how text bytes
// are read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "service/CommandLine.h"

namespace wendlock {
namespace {

using orvin::String;

TEST(CommandLine, Parses) {
  using Source = Options::Source;
  struct Case {
    std::vector<std::string> args;
    Source source;
    std::string value;  // the file or the text
    std::vector<std::string> targets;
  };
  const Case cases[] = {
      {{}, Source::None, "", {}},
      {{"--text", "hi"}, Source::Inline, "hi", {}},
      {{"--text=a=b"}, Source::Inline, "a=b", {}},
      {{"-t", ""}, Source::Inline, "", {}},
      {{"--file", "a.rtf"}, Source::File, "a.rtf", {}},
      {{"-f", "-"}, Source::File, "-", {}},
      {{"-"}, Source::StandardInput, "", {}},
      {{"--to", "tcp:127.0.0.1", "--to=bt:00:1a:7d:da:71:13@12", "--ui=tty", "-t", "x"},
       Source::Inline,
       "x",
       {"tcp:127.0.0.1:650", "bt:00:1A:7D:DA:71:13@12"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv{"wendlock"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    std::string error;
    const std::optional<Options> o = parseCommandLine(argv, &error);
    ASSERT_TRUE(o.has_value()) << error;
    EXPECT_EQ(o->source, c.source);
    EXPECT_EQ(c.source == Source::File ? o->file : o->text, c.value);
    std::vector<std::string> targets;
    for (const ServiceRecord& r : o->targets) targets.push_back(r.describe());
    EXPECT_EQ(targets, c.targets);
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
  struct Case {
    std::vector<std::string> args;
    const char* reason;  // a part of the message
  };
  const Case cases[] = {
      {{"--text"}, "--text needs a value"},
      {{"--file"}, "--file needs a value"},
      {{"-f"}, "--file needs a value"},
      {{"--to"}, "--to needs a value"},
      {{"--ui"}, "--ui needs a value"},
      {{"--text", "a", "-"}, "one source"},
      {{"-", "--file", "x"}, "one source"},
      {{"--file=a", "--text=b"}, "one source"},
      {{"--to", "udp:1.2.3.4"}, "--to udp:1.2.3.4: "},
      {{"--to", "tcp:example.org"}, "IP address"},
      {{"--ui=bogus"}, "--ui"},
      {{"--bogus"}, "unknown argument: --bogus"},
      {{"--text-file", "x"}, "unknown argument"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv{"wendlock"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    std::string error;
    EXPECT_FALSE(parseCommandLine(argv, &error).has_value()) << c.reason;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

TEST(CommandLine, RequestPasteboard) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("wendlock-cl-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "a.RTF", std::ios::binary) << "{\\rtf1 Gr\\'fc\\'dfe}";
  std::ofstream(dir / "b.txt", std::ios::binary) << "Gr\xfc\xdf"
                                                    "e";  // Windows-1252

  const String rtf(orvin::NSRTFPboardType);
  const String plain(orvin::NSStringPboardType);
  struct Case {
    Options::Source source;
    std::string file;
    std::string text;
    String type;  // nil: no pasteboard
    std::string content;
  };
  const Case cases[] = {
      {Options::Source::None, "", "", String(), ""},
      {Options::Source::Inline, "", "Grüße", plain, "Grüße"},
      {Options::Source::File, (dir / "a.RTF").string(), "", rtf, "{\\rtf1 Gr\\'fc\\'dfe}"},
      {Options::Source::File, (dir / "b.txt").string(), "", plain, "Grüße"},
      {Options::Source::File, (dir / "missing.txt").string(), "", String(), ""},
  };
  for (const Case& c : cases) {
    Options o;
    o.source = c.source;
    o.file = c.file;
    o.text = c.text;
    std::string error;
    const auto pb = makeRequestPasteboard(o, &error);
    ASSERT_EQ(pb != nullptr, !c.type.isNil()) << c.file;
    if (!pb) {
      EXPECT_EQ(error.empty(), c.source == Options::Source::None);
      continue;
    }
    EXPECT_EQ(pb->types(), std::vector<String>{c.type});
    const auto data = pb->dataForType(c.type);
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(std::string(data->begin(), data->end()), c.content);
  }
  std::filesystem::remove_all(dir);
}

TEST(CommandLine, DecodeText) {
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {"", u""},
      {"Gr\xc3\xbc\xc3\x9f"
       "e \xf0\x9f\x98\x80",
       u"Grüße 😀"},
      {"\xef\xbb\xbfhi", u"hi"},
      {std::string("\xff\xfeh\0i\0", 6), u"hi"},
      {std::string("\xfe\xff\0h\0i", 6), u"hi"},
      {"\x93quoted\x94 \x80", u"\u201Cquoted\u201D \u20AC"},
      {"caf\xe9", u"café"},
      // Bytes Windows-1252 leaves undefined fall back to Latin-1.
      {"\x81\x8d\x8f\x90\x9d", u"\u0081\u008D\u008F\u0090\u009D"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decodeText(c.bytes).toU16String(), c.text) << c.bytes;
  }
}

}  // namespace
}  // namespace wendlock
