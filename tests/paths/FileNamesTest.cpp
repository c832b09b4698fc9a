#include "paths/FileNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "chars/internal/TestHooks.h"
#include "tests/StorageForms.h"
#include "tests/TempFolder.h"

namespace orvin {
namespace {

using test::textOf;

std::u16string repeated(std::u16string_view piece, int times) {
  std::u16string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

class FileNames : public test::FormTest {};

TEST_P(FileNames, FilenameAndTrimming) {
  const std::u16string withNul(u"a\0b.txt", 7);
  const std::u16string cases[][3] = {
      // text, filename, trimmed
      {u"a/b:c~d", u"a-b-c-d", u"a/b:c~d"},
      {u"..//name~", u"name", u"name"},
      {u"~/notes.txt", u"notes.txt", u"notes.txt"},
      {u"my.file.txt", u"my.file.txt", u"my.file.txt"},
      {withNul, u"a-b.txt", withNul},
      {u"x.y.", u"x.y", u"x.y"},
      {u"...", u"", u""},
      {u"Cre\u0300me", u"Cr\u00E8me", u"Cre\u0300me"},
  };
  for (const auto& [text, filename, trimmed] : cases) {
    SCOPED_TRACE(test::utf8(text));
    const String s = make(text);
    EXPECT_EQ(textOf(stringByCreatingFilename(s)), filename);
    EXPECT_EQ(textOf(stringByTrimmingInvalidFilenameCharacters(s)), trimmed);
    MutableString m(s);
    const String before = m;  // shares the text: must keep it
    ASSERT_TRUE(createFilename(m));
    EXPECT_EQ(textOf(m), filename);
    EXPECT_EQ(textOf(before), text);
    MutableString t(s);
    ASSERT_TRUE(trimInvalidFilenameCharacters(t));
    EXPECT_EQ(textOf(t), trimmed);
  }
  const String empty = make(u""), plain = make(u"plain");
  for (auto f : {stringByCreatingFilename, stringByTrimmingInvalidFilenameCharacters,
                 stringByCreatingFileSystemRepresentation}) {
    EXPECT_TRUE(f(String()).isNil());
    EXPECT_TRUE(f(empty).isIdenticalTo(empty));
  }
  EXPECT_TRUE(stringByTrimmingInvalidFilenameCharacters(plain).isIdenticalTo(plain));
  EXPECT_TRUE(stringByCreatingFileSystemRepresentation(plain).isIdenticalTo(plain));
}

TEST_P(FileNames, CutToTheByteBudget) {
  const std::u16string a300(300, u'a'), u17 = repeated(u"\u00FC", 17);  // 34 bytes
  struct Case {
    std::u16string text;
    const char16_t* extension;  // nullptr: nil
    std::u16string expected;
  };
  const Case cases[] = {
      {a300, nullptr, a300.substr(0, 249)},
      {a300.substr(0, 249), nullptr, a300.substr(0, 249)},  // at the budget
      {a300, u"txt", a300.substr(0, 245) + u".txt"},
      {u"report.txt", u"txt", u"report.txt"},
      {u"REPORT.TXT", u"txt", u"REPORT.TXT.txt"},
      {u"", u"rtf", u".rtf"},
      {a300, u"abcdefghijklmnopq", a300.substr(0, 231) + u".abcdefghijklmnopq"},
      {a300, u"abcdefghijklmnopqr", a300.substr(0, 249)},  // 18 units: not appended
      {u"x", u"../../.bashrc", u"x"},
      {a300, u17.c_str(), a300.substr(0, 214) + u"." + u17},
      {std::u16string(200, u'\u00E9'), nullptr, std::u16string(124, u'\u00E9')},
      {u"a" + repeated(u"\U0001F600", 80), nullptr, u"a" + repeated(u"\U0001F600", 62)},
      {std::u16string(u"ab\0cd", 5), nullptr, u"ab"},
      {u"ab\xD800"
       u"cd",
       nullptr, u"ab"},
      {u"ab\xDC00"
       u"cd",
       u"txt", u"ab.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.text.substr(0, 20)) + " length " + std::to_string(c.text.size()));
    const String s = make(c.text);
    MutableString m(s);
    if (c.extension == nullptr) {
      EXPECT_EQ(textOf(stringByCreatingFileSystemRepresentation(s)), c.expected);
      ASSERT_TRUE(createFileSystemRepresentation(m));
    } else {
      EXPECT_EQ(
          textOf(stringByCreatingFileSystemRepresentationByAppendingExtension(s, c.extension)),
          c.expected);
      ASSERT_TRUE(createFileSystemRepresentationAndAppendExtension(m, c.extension));
    }
    EXPECT_EQ(textOf(m), c.expected);
    EXPECT_TRUE(fileSystemRepresentation(m, 250).has_value());
  }
}

TEST(FileSystemRepresentation, StrictAndBounded) {
  const String grusse(u"Gr\u00FC\u00DFe");
  EXPECT_EQ(fileSystemRepresentation(grusse, 8),
            "Gr\xC3\xBC\xC3\x9F"
            "e");
  EXPECT_EQ(fileSystemRepresentation(grusse, 7), std::nullopt);  // no room for the zero
  EXPECT_EQ(fileSystemRepresentation(String(u""), 1), "");
  EXPECT_EQ(fileSystemRepresentation(String(std::u16string_view(u"a\0b", 3)), 9), std::nullopt);
  EXPECT_EQ(fileSystemRepresentation(String(u"a\xD800"), 9), std::nullopt);
  EXPECT_EQ(fileSystemRepresentation(String(), 9), std::nullopt);
}

// Without memory a name is never handed out half made: nil, or false with
// the text unchanged.
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
  test::TempFolder folder;
  int made = 0;
  for (const std::u16string& text : names) {
    for (const char16_t* extension : {u"", u"txt", u"\u00FC\u00FC\u00FC\u00FC\u00FC"}) {
      const String name = stringByCreatingFileSystemRepresentationByAppendingExtension(
          stringByCreatingFilename(String(text)), extension);
      const auto bytes = fileSystemRepresentation(name, 256);
      ASSERT_TRUE(bytes.has_value()) << test::utf8(text.substr(0, 10));
      EXPECT_LE(bytes->size(), 249u);
      const std::string content = "file " + std::to_string(++made);
      test::writeFile(folder / *bytes, content);
      EXPECT_EQ(test::readFile(folder / *bytes), content);
      const auto listed = folder.names();
      EXPECT_NE(std::find(listed.begin(), listed.end(), *bytes), listed.end());
    }
  }
  EXPECT_EQ(folder.names().size(), static_cast<std::size_t>(made));
}

}  // namespace
}  // namespace orvin
