#include "paths/FileNames.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "chars/internal/TestHooks.h"
#include "tests/StorageForms.h"
#include "tests/TempFolder.h"

namespace orvin {
namespace {

using test::textOf;
const std::u16string kNil = u"<nil>";

std::u16string repeated(std::u16string_view piece, int times) {
  std::u16string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

class FileNames : public test::FormTest {};

TEST_P(FileNames, FilenameAndTrimming) {
  struct Case {
    std::u16string text, filename, trimmed;
  };
  const Case cases[] = {
      {u"a/b:c~d", u"a-b-c-d", u"a/b:c~d"},
      {u"..//name~", u"name", u"name"},
      {u"~/notes.txt", u"notes.txt", u"notes.txt"},
      {u"my.file.txt", u"my.file.txt", u"my.file.txt"},
      {std::u16string(u"a\0b.txt", 7), u"a-b.txt", std::u16string(u"a\0b.txt", 7)},
      {u"x.y.", u"x.y", u"x.y"},
      {u":a:", u"a", u"a"},
      {u"...", u"", u""},
      {u"Cre\u0300me", u"Cr\u00E8me", u"Cre\u0300me"},
      {u".\u0301x", u"\u0301x", u"\u0301x"},  // the mark does not compose with "."
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text));
    const String s = make(c.text);
    EXPECT_EQ(textOf(stringByCreatingFilename(s)), c.filename);
    EXPECT_EQ(textOf(stringByTrimmingInvalidFilenameCharacters(s)), c.trimmed);
    MutableString m(s);
    const String before = m;  // shares the text: must keep it
    ASSERT_TRUE(createFilename(m));
    EXPECT_EQ(textOf(m), c.filename);
    EXPECT_EQ(textOf(before), c.text);
    MutableString t(s);
    ASSERT_TRUE(trimInvalidFilenameCharacters(t));
    EXPECT_EQ(textOf(t), c.trimmed);
  }
  for (auto f : {stringByCreatingFilename, stringByTrimmingInvalidFilenameCharacters,
                 stringByCreatingFileSystemRepresentation}) {
    EXPECT_TRUE(f(String()).isNil());
    const String empty = make(u"");
    EXPECT_TRUE(f(empty).isIdenticalTo(empty));
  }
  const String plain = make(u"plain");
  EXPECT_TRUE(stringByTrimmingInvalidFilenameCharacters(plain).isIdenticalTo(plain));
  EXPECT_TRUE(stringByCreatingFileSystemRepresentation(plain).isIdenticalTo(plain));
}

TEST_P(FileNames, CutToTheByteBudget) {
  const std::u16string a300(300, u'a');
  const std::u16string ext17 = repeated(u"\u00FC", 17);  // 34 bytes
  struct Case {
    std::u16string text;
    const char16_t* extension;  // nullptr: nil
    std::u16string expected;
  };
  const Case cases[] = {
      {a300, nullptr, a300.substr(0, 249)},
      {a300.substr(0, 249), nullptr, a300.substr(0, 249)},  // at the budget
      {a300.substr(0, 248), nullptr, a300.substr(0, 248)},
      {a300, u"txt", a300.substr(0, 245) + u".txt"},
      {u"report.txt", u"txt", u"report.txt"},
      {u"REPORT.TXT", u"txt", u"REPORT.TXT.txt"},
      {u"", u"rtf", u".rtf"},
      {a300, u"abcdefghijklmnopq", a300.substr(0, 231) + u".abcdefghijklmnopq"},
      {a300, u"abcdefghijklmnopqr", a300.substr(0, 249)},  // 18 units: not appended
      {u"x", u"", u"x"},
      {u"x", u"../../.bashrc", u"x"},
      {u"x", u"t/x", u"x"},
      {a300, ext17.c_str(), a300.substr(0, 214) + u"." + ext17},
      {std::u16string(200, u'\u00E9'), nullptr, std::u16string(124, u'\u00E9')},
      {std::u16string(100, u'\u6587'), nullptr, std::u16string(83, u'\u6587')},
      {u"a" + repeated(u"\U0001F600", 80), nullptr, u"a" + repeated(u"\U0001F600", 62)},
      {repeated(u"\U0001F600", 80), nullptr, repeated(u"\U0001F600", 62)},
      {std::u16string(u"ab\0cd", 5), nullptr, u"ab"},
      {u"ab\xD800"
       u"cd",
       nullptr, u"ab"},
      {u"ab\xDC00"
       u"cd",
       u"txt", u"ab.txt"},
      {u"\xD83D", nullptr, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text.substr(0, 20)) + " length " + std::to_string(c.text.size()));
    const String s = make(c.text);
    const String result =
        c.extension == nullptr
            ? stringByCreatingFileSystemRepresentation(s)
            : stringByCreatingFileSystemRepresentationByAppendingExtension(s, c.extension);
    EXPECT_EQ(textOf(result), c.expected);
    if (!c.expected.empty()) {
      EXPECT_TRUE(fileSystemRepresentation(result, 250).has_value());
    }
    MutableString m(s);
    ASSERT_TRUE(c.extension == nullptr
                    ? createFileSystemRepresentation(m)
                    : createFileSystemRepresentationAndAppendExtension(m, c.extension));
    EXPECT_EQ(textOf(m), c.expected);
  }
}

TEST(FileSystemRepresentation, StrictAndBounded) {
  struct Case {
    String text;
    NSUInteger max;
    const char* expected;  // nullptr: none
  };
  const Case cases[] = {
      {String(u"Gr\u00FC\u00DFe"), 8,
       "Gr\xC3\xBC\xC3\x9F"
       "e"},
      {String(u"Gr\u00FC\u00DFe"), 7, nullptr},  // the terminator does not fit
      {String(u""), 1, ""},
      {String(u""), 0, nullptr},
      {String(std::u16string_view(u"a\0b", 3)), 10, nullptr},
      {String(u"a\xD800"), 10, nullptr},
      {String(u"\U0001F600"), 5, "\xF0\x9F\x98\x80"},
      {String(), 10, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(textOf(c.text).size());
    const auto bytes = fileSystemRepresentation(c.text, c.max);
    ASSERT_EQ(bytes.has_value(), c.expected != nullptr);
    if (bytes) {
      EXPECT_EQ(*bytes, c.expected);
    }
  }
}

// Without memory the name is never handed out half made: nil, or false
// with the text unchanged.
TEST_P(FileNames, WithoutMemory) {
  for (const std::u16string& text : {std::u16string(u"~/a:b"), std::u16string(300, u'\u00E9')}) {
    const String s = make(text);
    testhooks::failNextWorkAllocations(1);
    EXPECT_TRUE(stringByCreatingFilename(s).isNil());
    MutableString m(s);
    testhooks::failNextWorkAllocations(1);
    const bool done = createFilename(m);
    testhooks::resetWorkAllocationFailures();
    EXPECT_FALSE(done);
    EXPECT_TRUE(m == s);
  }
}

INSTANTIATE_FORMS(FileNames);

// Names made here can be created on a real file system and found again
// under the same bytes.
TEST(FileNamesOnDisk, CreateAndReadBack) {
  const std::u16string names[] = {
      repeated(u"e\u0301", 150) + u"/notes",
      repeated(u"\u6587\u4EF6", 100),
      repeated(u"\U0001F600", 90),
      u"Cr\u00E8me br\u00FBl\u00E9e: recette~v2",
      std::u16string(u"a\0b", 3),
      std::u16string(400, u'x'),
  };
  const char16_t* extensions[] = {nullptr, u"txt", u"\u00FC\u00FC\u00FC\u00FC\u00FC"};
  test::TempFolder folder;
  int made = 0;
  for (const std::u16string& text : names) {
    for (const char16_t* extension : extensions) {
      const String base = stringByCreatingFilename(String(text));
      const String name =
          extension == nullptr
              ? stringByCreatingFileSystemRepresentation(base)
              : stringByCreatingFileSystemRepresentationByAppendingExtension(base, extension);
      const auto bytes = fileSystemRepresentation(name, 256);
      ASSERT_TRUE(bytes.has_value()) << test::utf8(text.substr(0, 10));
      EXPECT_LE(bytes->size(), 249u);
      const std::string path = folder / *bytes;
      const std::string content = "file " + std::to_string(++made);
      const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      ASSERT_GE(fd, 0) << *bytes;
      ASSERT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
      ::close(fd);
      EXPECT_EQ(test::readFile(path), content);
      const auto listed = folder.names();
      EXPECT_NE(std::find(listed.begin(), listed.end(), *bytes), listed.end());
      EXPECT_EQ(textOf(String::withUtf8(*bytes)), textOf(name));
    }
  }
}

}  // namespace
}  // namespace orvin
