#include "paths/PathExtensions.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "tests/StorageForms.h"

namespace orvin {
namespace {

using test::textOf;

class PathExtensions : public test::FormTest {};

TEST_P(PathExtensions, ReadAndDelete) {
  struct Case {
    std::u16string path, extension, without, valid;
  };
  const Case cases[] = {
      {u"/tmp/archive.tar.gz", u"gz", u"/tmp/archive.tar", u"gz"},
      {u"page.php?id=7", u"php?id=7", u"page", u"php"},
      {u"file.tar-gz", u"tar-gz", u"file", u""},
      {u"a.b/", u"b", u"a", u"b"},
      {u"scratch..tiff", u"tiff", u"scratch.", u"tiff"},
      {u".bashrc", u"", u".bashrc", u""},
      {u"/x/.bashrc", u"", u"/x/.bashrc", u""},
      {u"notes.", u"", u"notes.", u""},
      {u"a.b/c", u"", u"a.b/c", u""},
      {u"/tmp/", u"", u"/tmp", u""},
      {u"/", u"", u"/", u""},
      {u"x.abcdefghijklmnopq", u"abcdefghijklmnopq", u"x", u"abcdefghijklmnopq"},
      {u"x.abcdefghijklmnopqr", u"abcdefghijklmnopqr", u"x", u""},
      {u"x.\u00E9t\u00E9", u"\u00E9t\u00E9", u"x", u"\u00E9t\u00E9"},
      {u"", u"", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.path));
    const String path = make(c.path);
    EXPECT_EQ(textOf(pathExtension(path)), c.extension);
    EXPECT_EQ(textOf(stringByDeletingPathExtension(path)), c.without);
    EXPECT_EQ(textOf(validPathExtension(path)), c.valid);
  }
  EXPECT_TRUE(pathExtension(String()).isNil());
}

TEST_P(PathExtensions, AppendAndReplace) {
  struct Case {
    std::u16string path;
    const char16_t* extension;  // nullptr: nil
    std::u16string ifNecessary, replaced;
  };
  const Case cases[] = {
      {u"notes.TXT", u"txt", u"notes.TXT", u"notes.txt"},
      {u"notes.txt", u"txt", u"notes.txt", u"notes.txt"},
      {u"notes", u"txt", u"notes.txt", u"notes.txt"},
      {u"notes.md", u"txt", u"notes.md.txt", u"notes.txt"},
      {u"/tmp/", u"tiff", u"/tmp.tiff", u"/tmp.tiff"},
      {u"notes", u"", u"notes", u"notes"},
      {u"notes", nullptr, u"notes", u"notes"},
      {u"", u"txt", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.path));
    const String path = make(c.path);
    const String extension(c.extension);
    EXPECT_EQ(textOf(stringByAppendingPathExtensionIfNecessary(path, extension)), c.ifNecessary);
    EXPECT_EQ(textOf(stringByReplacingPathExtensionWith(path, extension)), c.replaced);
  }
  const String same = make(u"notes.txt");
  EXPECT_TRUE(stringByReplacingPathExtensionWith(same, u"txt").isIdenticalTo(same));
}

TEST_P(PathExtensions, ValidityAndMatching) {
  const std::pair<std::u16string, bool> validity[] = {
      {u"mp3", true},
      {u"abcdefghijklmnopq", true},
      {u"abcdefghijklmnopqr", false},
      {u"tar.gz", false},
      {u"", false},
      {u"a/b", false},
      {std::u16string(u"a\0", 2), false},
      {u"\u00FC", true},
  };
  for (const auto& [extension, valid] : validity) {
    EXPECT_EQ(isValidPathExtension(make(extension)), valid) << test::utf8(extension);
  }
  EXPECT_FALSE(isValidPathExtension(String()));

  const std::array<String, 2> list{u"png", u"JPG"};
  EXPECT_TRUE(pathMatchingExtensions(make(u"a.jpg"), list));
  EXPECT_TRUE(pathMatchingExtensionsOrTypes(make(u"/x/a.PNG"), list));
  EXPECT_FALSE(pathMatchingExtensions(make(u"a.gif"), list));
  EXPECT_FALSE(pathMatchingExtensions(make(u"png"), list));
  EXPECT_FALSE(pathMatchingExtensionsOrTypes(make(u""), list));
  EXPECT_FALSE(pathMatchingExtensions(make(u"a.png"), {}));
}

INSTANTIATE_FORMS(PathExtensions);

}  // namespace
}  // namespace orvin
