#include "chars/TextFiles.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <bit>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "StorageForms.h"
#include "TempFolder.h"
#include "chars/TextEncodings.h"
#include "chars/internal/TestHooks.h"

namespace orvin {
namespace {

using test::readFile;
using test::TempFolder;
using test::textOf;
using test::writeFile;

String pathString(const std::string& path) {
  return String::withUtf8(path);
}

const std::string kUtf16Le(
    "\xFF\xFE"
    "A\0\xFC\0",
    6);
const std::string kUtf8Bom(
    "\xEF\xBB\xBF"
    "ab",
    5);

TEST(TextFileRead, DecodesWithGivenOrDetectedEncoding) {
  struct Case {
    const char* name;
    std::string bytes;
    NSUInteger encoding;
    std::u16string text;  // u"<nil>" for nil
    NSUInteger used;
  } cases[] = {
      {"utf8 explicit",
       "Gr\xC3\xBC\xC3\x9F"
       "e",
       NSUTF8StringEncoding, u"Grüße", 4},
      {"utf8 detected by 0", "Gr\xC3\xBC", 0, u"Grü", 4},
      {"detected by max", "Gr\xC3\xBC", 0xFFFFFFFFFFFFFFFFu, u"Grü", 4},
      {"detected from F0", "x", 0xFFFFFFF0u, u"x", 4},
      {"EF is explicit, unknown", "x", 0xFFFFFFEFu, u"<nil>", 0xFFFFFFEFu},
      {"utf16 mark", kUtf16Le, 0, u"Aü", NSUnicodeStringEncoding},
      {"utf8 mark dropped", kUtf8Bom, 0, u"ab", 4},
      {"empty file", "", 0, u"", 4},
      {"latin1 not guessed", "caf\xE9", 0, u"<nil>", NSASCIIStringEncoding},
      {"latin1 explicit", "caf\xE9", NSISOLatin1StringEncoding, u"café", 5},
      {"invalid for explicit", "caf\xE9", NSUTF8StringEncoding, u"<nil>", 4},
      {"NUL kept", std::string("a\0b", 3), 0, std::u16string(u"a\0b", 3), 4},
  };
  TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder / "file.txt";
    writeFile(path, c.bytes);
    NSUInteger used = 12345;
    EXPECT_EQ(textOf(stringWithContentsOfFile(pathString(path), c.encoding, &used)), c.text);
    EXPECT_EQ(used, c.used);
    EXPECT_EQ(textOf(stringWithContentsOfFile(pathString(path), c.encoding)), c.text);
  }
}

TEST(TextFileRead, OnlyRegularFilesAreRead) {
  TempFolder folder;
  const std::string fifo = folder / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  writeFile(folder / "target", "linked");
  ASSERT_EQ(::symlink("target", (folder / "link").c_str()), 0);
  ASSERT_EQ(::symlink("missing", (folder / "dangling").c_str()), 0);
  ::mkdir((folder / "dir").c_str(), 0700);

  struct Case {
    std::string path;
    std::u16string text;
  } cases[] = {
      {fifo, u"<nil>"},  // would block waiting for a writer
      {folder / "dir", u"<nil>"},
      {"/dev/zero", u"<nil>"},  // would never end
      {folder / "missing", u"<nil>"},
      {folder / "dangling", u"<nil>"},
      {folder / "link", u"linked"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(textOf(stringWithContentsOfFile(pathString(c.path), NSUTF8StringEncoding)), c.text);
    // Detection falls back to ASCII and says so, even when nothing was read.
    NSUInteger used = 0;
    EXPECT_EQ(textOf(stringWithContentsOfFile(pathString(c.path), 0, &used)), c.text);
    EXPECT_EQ(used, c.text == u"<nil>" ? NSASCIIStringEncoding : NSUTF8StringEncoding);
  }
}

TEST(TextFileRead, UnreadableFileGivesNil) {
  TempFolder folder;
  const std::string path = folder / "secret";
  writeFile(path, "x");
  ::chmod(path.c_str(), 0);
  ::chmod(folder.path().c_str(), 0755);
  EXPECT_TRUE(test::runUnprivileged(
      [&] { return stringWithContentsOfFile(pathString(path), NSUTF8StringEncoding).isNil(); }));
}

TEST(TextFileRead, PathsTheKernelCannotTakeGiveNil) {
  TempFolder folder;
  writeFile(folder / "a", "x");
  const std::u16string base = String::withUtf8(folder / "a").toU16String();
  for (const String& path :
       {String(), String(u""), String(base + std::u16string(1, u'\0')), String(base + u"\xD800")}) {
    EXPECT_FALSE(readFileBytes(path).has_value()) << test::utf8(textOf(path));
    EXPECT_FALSE(writeFileBytes(path, "y", true));
  }
  EXPECT_EQ(readFile(folder / "a"), "x");
}

TEST(TextFileRead, NoWorkMemoryGivesNil) {
  TempFolder folder;
  writeFile(folder / "u", "\xE2\x82\xAC");  // beyond Latin-1: needs UTF-16 storage
  testhooks::failNextWorkAllocations(100);
  const String text = stringWithContentsOfFile(pathString(folder / "u"), NSUTF8StringEncoding);
  testhooks::resetWorkAllocationFailures();
  EXPECT_TRUE(text.isNil());
}

// Every write below runs both ways unless a case says otherwise.
class TextFileWrite : public ::testing::TestWithParam<bool> {
 protected:
  bool atomically() const { return GetParam(); }
  TempFolder folder;
};

TEST_P(TextFileWrite, WritesAndReplaces) {
  const std::string path = folder / "out.txt";
  EXPECT_TRUE(writeToFile(u"Grüße", pathString(path), atomically(), NSUTF8StringEncoding));
  EXPECT_EQ(readFile(path),
            "Gr\xC3\xBC\xC3\x9F"
            "e");
  EXPECT_TRUE(writeToFile(u"ab", pathString(path), atomically(), NSISOLatin1StringEncoding));
  EXPECT_EQ(readFile(path), "ab");
  EXPECT_TRUE(writeToFile(u"", pathString(path), atomically(), NSASCIIStringEncoding));
  EXPECT_EQ(readFile(path), "");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"out.txt"});
}

TEST_P(TextFileWrite, TextThatCannotBeEncodedLeavesTheFileAlone) {
  const std::string path = folder / "keep.txt";
  writeFile(path, "old");
  for (const String& text : {String(), String(u"Grüße"), String(u"\xD800")}) {
    EXPECT_FALSE(writeToFile(text, pathString(path), atomically(), NSASCIIStringEncoding));
  }
  EXPECT_FALSE(writeToFile(u"x", pathString(path), atomically(), NSSymbolStringEncoding));
  EXPECT_EQ(readFile(path), "old");
}

TEST_P(TextFileWrite, KeepsPermissionBitsAndGivesNewFilesTheUmask) {
  const std::string existing = folder / "existing";
  writeFile(existing, "old");
  ::chmod(existing.c_str(), 0640);
  EXPECT_TRUE(writeFileBytes(pathString(existing), "new", atomically()));
  EXPECT_EQ(test::modeOf(existing), 0640u);

  const mode_t old = ::umask(027);
  EXPECT_TRUE(writeFileBytes(pathString(folder / "fresh"), "new", atomically()));
  ::umask(old);
  EXPECT_EQ(test::modeOf(folder / "fresh"), 0640u);
}

TEST_P(TextFileWrite, ReplacesWhatASymbolicLinkLeadsTo) {
  ::mkdir((folder / "real").c_str(), 0700);
  writeFile(folder / "real/target", "old");
  ASSERT_EQ(::symlink("real/target", (folder / "link").c_str()), 0);
  ASSERT_EQ(::symlink("link", (folder / "link2").c_str()), 0);
  EXPECT_TRUE(writeFileBytes(pathString(folder / "link2"), "new", atomically()));
  EXPECT_EQ(readFile(folder / "real/target"), "new");
  struct stat info {};
  ASSERT_EQ(::lstat((folder / "link").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  ASSERT_EQ(::lstat((folder / "link2").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"link", "link2", "real"}));

  ASSERT_EQ(::symlink("loop", (folder / "loop").c_str()), 0);
  EXPECT_FALSE(writeFileBytes(pathString(folder / "loop"), "x", atomically()));
}

TEST_P(TextFileWrite, TargetsThatAreNoFilesFailAtOnce) {
  const std::string fifo = folder / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ::mkdir((folder / "dir").c_str(), 0700);
  // Plainly, a FIFO without a reader must not block; atomically it is
  // replaced by a regular file, as any other target.
  if (!atomically()) {
    EXPECT_FALSE(writeFileBytes(pathString(fifo), "x", false));
  }
  EXPECT_FALSE(writeFileBytes(pathString(folder / "dir"), "x", atomically()));
  EXPECT_FALSE(writeFileBytes(pathString(folder / "no/such/file"), "x", atomically()));
  EXPECT_TRUE(std::filesystem::is_directory(folder / "dir"));
}

TEST_P(TextFileWrite, ReadOnlyFolderRefusesAndLeavesNothing) {
  const std::string path = folder / "ro/file";
  ::mkdir((folder / "ro").c_str(), 0755);
  writeFile(path, "old");
  ::chmod(path.c_str(), 0666);
  ::chmod((folder / "ro").c_str(), 0555);
  ::chmod(folder.path().c_str(), 0755);
  // Atomically needs the folder; plainly only the file.
  const bool expected = !atomically();
  EXPECT_TRUE(test::runUnprivileged(
      [&] { return writeFileBytes(pathString(path), "new", atomically()) == expected; }));
  EXPECT_EQ(readFile(path), expected ? "new" : "old");
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(folder / "ro")) {
    left.push_back(e.path().filename().string());
  }
  EXPECT_EQ(left, std::vector<std::string>{"file"});
}

TEST_P(TextFileWrite, FullDiskKeepsTheOldContentWhenAtomic) {
  const std::string path = folder / "big";
  writeFile(path, "old");
  // A file-size limit stands in for a full disk: writes past it fail.
  struct sigaction ignore {
  }, saved{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &saved);
  rlimit limit{}, original{};
  ::getrlimit(RLIMIT_FSIZE, &original);
  limit = original;
  limit.rlim_cur = 1000;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const bool written = writeFileBytes(pathString(path), std::string(5000, 'x'), atomically());
  ::setrlimit(RLIMIT_FSIZE, &original);
  ::sigaction(SIGXFSZ, &saved, nullptr);

  EXPECT_FALSE(written);
  if (atomically()) {
    EXPECT_EQ(readFile(path), "old");
  }
  EXPECT_EQ(folder.names(), std::vector<std::string>{"big"});
}

INSTANTIATE_TEST_SUITE_P(Modes, TextFileWrite, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Atomic" : "Plain"; });

TEST(TextFileWriters, ReportTheEncodingTheyUse) {
  TempFolder folder;
  const String path = pathString(folder / "w.txt");
  const String bad = pathString(folder / "missing/w.txt");
  const std::string bom = std::endian::native == std::endian::little
                              ? std::string(
                                    "\xFF\xFE"
                                    "a\0",
                                    4)
                              : std::string("\xFE\xFF\0a", 4);
  EXPECT_EQ(defaultEncoding(), NSUTF8StringEncoding);
  struct Case {
    const char* name;
    bool (*writer)(const String&, const String&, bool, NSUInteger*);
    String text;
    NSUInteger encoding;
    std::string bytes;
  } cases[] = {
      {"default", writeToFileUsingDefaultEncoding, u"é", NSUTF8StringEncoding, "\xC3\xA9"},
      {"fastest compact", writeToFileUsingFastestEncoding, String::withLatin1("\xE9"),
       NSISOLatin1StringEncoding, "\xE9"},
      {"fastest utf16", writeToFileUsingFastestEncoding, u"a", NSUnicodeStringEncoding, bom},
      {"smallest ascii", writeToFileUsingSmallestEncoding, u"a", NSASCIIStringEncoding, "a"},
      {"smallest latin1", writeToFileUsingSmallestEncoding, u"é", NSISOLatin1StringEncoding,
       "\xE9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NSUInteger used = 0;
    EXPECT_TRUE(c.writer(c.text, path, true, &used));
    EXPECT_EQ(used, c.encoding);
    EXPECT_EQ(readFile(folder / "w.txt"), c.bytes);
    used = 0;
    EXPECT_FALSE(c.writer(c.text, bad, true, &used));
    EXPECT_EQ(used, c.encoding);  // stored before the write failed
    EXPECT_TRUE(c.writer(c.text, path, false, nullptr));
  }

  setDefaultEncoding(NSASCIIStringEncoding);
  NSUInteger used = 0;
  EXPECT_TRUE(writeToFileUsingDefaultEncoding(u"abc", path, false, &used));
  EXPECT_FALSE(writeToFileUsingDefaultEncoding(u"é", path, false, &used));
  setDefaultEncoding(NSUTF8StringEncoding);
  EXPECT_EQ(used, NSASCIIStringEncoding);
  EXPECT_EQ(readFile(folder / "w.txt"), "abc");
}

}  // namespace
}  // namespace orvin
