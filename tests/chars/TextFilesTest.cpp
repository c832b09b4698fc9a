#include "chars/TextFiles.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <bit>
#include <string>

#include "ChildProcess.h"
#include "StorageForms.h"
#include "TempFolder.h"
#include "chars/TextEncodings.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

using test::readFile;
using test::textOf;
using test::writeFile;

String at(const std::string& path) {
  return String::withUtf8(path);
}

TEST(TextFileRead, GivenOrDetectedEncoding) {
  struct Case {
    std::string bytes;
    NSUInteger encoding;
    std::u16string text;
    NSUInteger used;
  } cases[] = {
      {"Gr\xC3\xBC", NSUTF8StringEncoding, u"Grü", 4},
      {"Gr\xC3\xBC", 0, u"Grü", 4},
      {"x", 0xFFFFFFF0u, u"x", 4},
      {"x", 0xFFFFFFEFu, u"<nil>", 0xFFFFFFEFu},  // the last explicit value
      {std::string("\xFF\xFE"
                   "A\0",
                   4),
       0, u"A", NSUnicodeStringEncoding},
      {"", 0, u"", 4},
      {"caf\xE9", 0, u"<nil>", NSASCIIStringEncoding},  // no guessing Latin-1
      {"caf\xE9", NSISOLatin1StringEncoding, u"café", 5},
  };
  test::TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    writeFile(folder / "f", c.bytes);
    NSUInteger used = 12345;
    EXPECT_EQ(textOf(stringWithContentsOfFile(at(folder / "f"), c.encoding, &used)), c.text);
    EXPECT_EQ(used, c.used);
  }
}

TEST(TextFileRead, OnlyRegularFilesWithoutBlocking) {
  test::TempFolder folder;
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
  ::mkdir((folder / "dir").c_str(), 0700);
  writeFile(folder / "target", "linked");
  ::symlink("target", (folder / "link").c_str());
  ::symlink("missing", (folder / "dangling").c_str());
  const std::pair<std::string, std::u16string> cases[] = {
      {folder / "fifo", u"<nil>"},     {folder / "dir", u"<nil>"},   {"/dev/zero", u"<nil>"},
      {folder / "dangling", u"<nil>"}, {folder / "link", u"linked"},
  };
  for (const auto& [path, text] : cases) {
    NSUInteger used = 0;
    EXPECT_EQ(textOf(stringWithContentsOfFile(at(path), 0, &used)), text) << path;
    EXPECT_EQ(used, text == u"<nil>" ? NSASCIIStringEncoding : NSUTF8StringEncoding);
  }
  writeFile(folder / "secret", "x");
  ::chmod((folder / "secret").c_str(), 0);
  ::chmod(folder.path().c_str(), 0755);
  EXPECT_TRUE(test::runUnprivileged([&] { return !readFileBytes(at(folder / "secret")); }));
  // A path the kernel cannot take: nothing is read or written.
  const std::u16string base = at(folder / "target").toU16String();
  for (const String& path :
       {String(), String(u""), String(base + u'\0'), String(base + u"\xD800")}) {
    EXPECT_FALSE(readFileBytes(path) || writeFileBytes(path, "y", true));
  }
  testhooks::failNextWorkAllocations(100);
  writeFile(folder / "euro", "\xE2\x82\xAC");  // needs UTF-16 storage
  EXPECT_TRUE(stringWithContentsOfFile(at(folder / "euro"), NSUTF8StringEncoding).isNil());
  testhooks::resetWorkAllocationFailures();
}

class TextFileWrite : public ::testing::TestWithParam<bool> {
 protected:
  bool atomically() const { return GetParam(); }
  test::TempFolder folder;
};

TEST_P(TextFileWrite, ReplacesKeepingModeAndLinks) {
  ::mkdir((folder / "real").c_str(), 0700);
  writeFile(folder / "real/f", "old");
  ::chmod((folder / "real/f").c_str(), 0640);
  ::symlink("real/f", (folder / "link").c_str());
  ::symlink("link", (folder / "link2").c_str());
  EXPECT_TRUE(writeToFile(u"Grüße", at(folder / "link2"), atomically(), NSUTF8StringEncoding));
  EXPECT_EQ(readFile(folder / "real/f"),
            "Gr\xC3\xBC\xC3\x9F"
            "e");
  EXPECT_EQ(test::modeOf(folder / "real/f"), 0640u);
  EXPECT_EQ(std::filesystem::read_symlink(folder / "link2"), "link");
  EXPECT_EQ(folder.names("real"), std::vector<std::string>{"f"});
  // Text the encoding cannot hold leaves the file alone.
  for (const String& text : {String(), String(u"Grüße"), String(u"\xD800")}) {
    EXPECT_FALSE(writeToFile(text, at(folder / "link"), atomically(), NSASCIIStringEncoding));
  }
  EXPECT_EQ(readFile(folder / "real/f"),
            "Gr\xC3\xBC\xC3\x9F"
            "e");

  const mode_t old = ::umask(027);
  EXPECT_TRUE(writeFileBytes(at(folder / "new"), "", atomically()));
  ::umask(old);
  EXPECT_EQ(test::modeOf(folder / "new"), 0640u);
  ::symlink("loop", (folder / "loop").c_str());
  EXPECT_FALSE(writeFileBytes(at(folder / "loop"), "x", atomically()));
}

TEST_P(TextFileWrite, RefusesWhatIsNoFile) {
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
  ::mkdir((folder / "dir").c_str(), 0700);
  // Plainly a FIFO without a reader must not block; atomically it is
  // replaced like any file.
  EXPECT_EQ(writeFileBytes(at(folder / "fifo"), "x", atomically()), atomically());
  EXPECT_FALSE(writeFileBytes(at(folder / "dir"), "x", atomically()));
  EXPECT_FALSE(writeFileBytes(at(folder / "no/such"), "x", atomically()));
}

TEST_P(TextFileWrite, FailuresLeaveNoTraceAndAtomicKeepsTheOld) {
  ::mkdir((folder / "ro").c_str(), 0755);
  writeFile(folder / "ro/f", "old");
  ::chmod((folder / "ro/f").c_str(), 0666);
  ::chmod((folder / "ro").c_str(), 0555);
  ::chmod(folder.path().c_str(), 0755);
  // A read-only folder: an atomic write needs the folder, a plain one not.
  EXPECT_TRUE(test::runUnprivileged(
      [&] { return writeFileBytes(at(folder / "ro/f"), "new", atomically()) != atomically(); }));
  EXPECT_EQ(readFile(folder / "ro/f"), atomically() ? "old" : "new");

  // A file-size limit stands in for a full disk.
  writeFile(folder / "big", "old");
  struct sigaction ignore {
  }, saved{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &saved);
  rlimit original{};
  ::getrlimit(RLIMIT_FSIZE, &original);
  rlimit limit = original;
  limit.rlim_cur = 1000;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const bool written = writeFileBytes(at(folder / "big"), std::string(5000, 'x'), atomically());
  ::setrlimit(RLIMIT_FSIZE, &original);
  ::sigaction(SIGXFSZ, &saved, nullptr);
  EXPECT_FALSE(written);
  if (atomically()) {
    EXPECT_EQ(readFile(folder / "big"), "old");
  }
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"big", "ro"}));
  EXPECT_EQ(folder.names("ro"), std::vector<std::string>{"f"});
}

INSTANTIATE_TEST_SUITE_P(Modes, TextFileWrite, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Atomic" : "Plain"; });

TEST(TextFileWriters, ReportTheEncodingBeforeWriting) {
  test::TempFolder folder;
  const std::string bom = std::endian::native == std::endian::little
                              ? std::string(
                                    "\xFF\xFE"
                                    "a\0",
                                    4)
                              : std::string("\xFE\xFF\0a", 4);
  struct Case {
    bool (*writer)(const String&, const String&, bool, NSUInteger*);
    String text;
    NSUInteger encoding;
    std::string bytes;
  } cases[] = {
      {writeToFileUsingDefaultEncoding, u"é", NSUTF8StringEncoding, "\xC3\xA9"},
      {writeToFileUsingFastestEncoding, String::withLatin1("\xE9"), 5, "\xE9"},
      {writeToFileUsingFastestEncoding, u"a", NSUnicodeStringEncoding, bom},
      {writeToFileUsingSmallestEncoding, u"a", NSASCIIStringEncoding, "a"},
      {writeToFileUsingSmallestEncoding, u"é", NSISOLatin1StringEncoding, "\xE9"},
  };
  for (const Case& c : cases) {
    NSUInteger used = 0, usedOnFailure = 0;
    EXPECT_TRUE(c.writer(c.text, at(folder / "w"), true, &used));
    EXPECT_FALSE(c.writer(c.text, at(folder / "no/w"), true, &usedOnFailure));
    EXPECT_EQ(used, c.encoding);
    EXPECT_EQ(usedOnFailure, c.encoding);
    EXPECT_EQ(readFile(folder / "w"), c.bytes);
  }
  EXPECT_EQ(defaultEncoding(), NSUTF8StringEncoding);
  setDefaultEncoding(NSASCIIStringEncoding);
  NSUInteger used = 0;
  EXPECT_FALSE(writeToFileUsingDefaultEncoding(u"é", at(folder / "w"), false, &used));
  setDefaultEncoding(NSUTF8StringEncoding);
  EXPECT_EQ(used, NSASCIIStringEncoding);
}

}  // namespace
}  // namespace orvin
