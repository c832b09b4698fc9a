#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "paths/PathComponents.h"
#include "paths/PathExtensions.h"
#include "paths/PathLocations.h"
#include "tests/ScopedEnv.h"
#include "tests/StorageForms.h"

namespace orvin {
namespace {

using test::textOf;
using test::textsOf;

class PathArithmetic : public test::FormTest {};

TEST_P(PathArithmetic, SplitAndStandardize) {
  struct Case {
    std::u16string path;
    std::vector<std::u16string> components;
    std::u16string last, withoutLast, standard, withoutFile;
  };
  const Case cases[] = {
      {u"/tmp//a/", {u"/", u"tmp", u"a", u"/"}, u"a", u"/tmp", u"/tmp/a", u"/tmp//a"},
      {u"/a/./b/../c",
       {u"/", u"a", u".", u"b", u"..", u"c"},
       u"c",
       u"/a/./b/..",
       u"/a/c",
       u"/a/./b/.."},
      {u"/", {u"/"}, u"/", u"/", u"/", u""},
      {u"/a/..", {u"/", u"a", u".."}, u"..", u"/a", u"/", u"/a"},
      {u"/../etc", {u"/", u"..", u"etc"}, u"etc", u"/..", u"/etc", u"/.."},
      {u"../x", {u"..", u"x"}, u"x", u"..", u"../x", u".."},
      {u"a/../..", {u"a", u"..", u".."}, u"..", u"a/..", u"..", u"a/.."},
      {u"./", {u".", u"/"}, u".", u"", u"", u"."},
      {u"a", {u"a"}, u"a", u"", u"a", u""},
      {u"", {}, u"", u"", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.path));
    const String path = make(c.path);
    EXPECT_EQ(textsOf(pathComponents(path)), c.components);
    EXPECT_EQ(textOf(lastPathComponent(path)), c.last);
    EXPECT_EQ(textOf(stringByDeletingLastPathComponent(path)), c.withoutLast);
    const String standard = standardizedPath(path);
    EXPECT_EQ(textOf(standard), c.standard);
    EXPECT_EQ(textOf(standardizedPath(standard)), c.standard);
    EXPECT_EQ(textsOf(standardizedPathComponents(path)), textsOf(pathComponents(standard)));
    EXPECT_EQ(textOf(stringByDeletingFileComponent(path)), c.withoutFile);
  }
  const String standard = make(u"/a/b");
  EXPECT_TRUE(standardizedPath(standard).isIdenticalTo(standard));
  EXPECT_TRUE(standardizedPath(String()).isNil());
}

TEST_P(PathArithmetic, Tilde) {
  const test::ScopedEnv home("HOME", "/home/anna/");
  const std::u16string cases[][3] = {
      // path, expanded, abbreviated
      {u"~", u"/home/anna", u"~"},
      {u"~/notes", u"/home/anna/notes", u"~/notes"},
      {u"~anna/x", u"~anna/x", u"~anna/x"},
      {u"/home/anna/x/", u"/home/anna/x/", u"~/x/"},
      {u"/home/annabel", u"/home/annabel", u"/home/annabel"},
  };
  for (const auto& [path, expanded, abbreviated] : cases) {
    EXPECT_EQ(textOf(stringByExpandingTildeInPath(make(path))), expanded);
    EXPECT_EQ(textOf(stringByAbbreviatingWithTildeInPath(make(path))), abbreviated);
  }
  EXPECT_EQ(textOf(stringByStandardizingPath(make(u"~/a/../b/"))), u"/home/anna/b");
  EXPECT_EQ(textOf(POSIXPath(make(u"~/x"))), u"/home/anna/x");
  const test::ScopedEnv root("HOME", "/");
  EXPECT_EQ(textOf(stringByAbbreviatingWithTildeInPath(make(u"/x"))), u"/x");
}

TEST_P(PathArithmetic, Extensions) {
  const std::u16string cases[][4] = {
      // path, extension, without it, valid
      {u"/tmp/archive.tar.gz", u"gz", u"/tmp/archive.tar", u"gz"},
      {u"page.php?id=7", u"php?id=7", u"page", u"php"},
      {u"file.tar-gz", u"tar-gz", u"file", u""},
      {u"a.b/", u"b", u"a", u"b"},
      {u"/x/.bashrc", u"", u"/x/.bashrc", u""},
      {u"notes.", u"", u"notes.", u""},
      {u"a.b/c", u"", u"a.b/c", u""},
      {u"x.abcdefghijklmnopqr", u"abcdefghijklmnopqr", u"x", u""},
      {u"x.\u00E9t\u00E9", u"\u00E9t\u00E9", u"x", u"\u00E9t\u00E9"},
  };
  for (const auto& [path, extension, without, valid] : cases) {
    SCOPED_TRACE(test::utf8(path));
    EXPECT_EQ(textOf(pathExtension(make(path))), extension);
    EXPECT_EQ(textOf(stringByDeletingPathExtension(make(path))), without);
    EXPECT_EQ(textOf(validPathExtension(make(path))), valid);
  }
  const std::u16string changes[][4] = {
      // path, extension, if necessary, replaced
      {u"notes.TXT", u"txt", u"notes.TXT", u"notes.txt"},
      {u"notes.md", u"txt", u"notes.md.txt", u"notes.txt"},
      {u"/tmp/", u"tiff", u"/tmp.tiff", u"/tmp.tiff"},
      {u"notes", u"", u"notes", u"notes"},
  };
  for (const auto& [path, extension, ifNecessary, replaced] : changes) {
    EXPECT_EQ(textOf(stringByAppendingPathExtensionIfNecessary(make(path), makeOther(extension))),
              ifNecessary);
    EXPECT_EQ(textOf(stringByReplacingPathExtensionWith(make(path), makeOther(extension))),
              replaced);
  }
  const String same = make(u"notes.txt");
  EXPECT_TRUE(stringByReplacingPathExtensionWith(same, u"txt").isIdenticalTo(same));
  EXPECT_TRUE(stringByAppendingPathExtensionIfNecessary(same, String()).isIdenticalTo(same));
  for (const char16_t* bad : {u"", u"abcdefghijklmnopqr", u"tar.gz", u"a/b"}) {
    EXPECT_FALSE(isValidPathExtension(make(bad))) << test::utf8(bad);
  }
  EXPECT_TRUE(isValidPathExtension(make(u"abcdefghijklmnopq")));
  const std::array<String, 2> list{u"png", u"JPG"};
  EXPECT_TRUE(pathMatchingExtensions(make(u"a.jpg"), list));
  EXPECT_TRUE(pathMatchingExtensionsOrTypes(make(u"/x/a.PNG"), list));
  EXPECT_FALSE(pathMatchingExtensions(make(u"png"), list));
  EXPECT_FALSE(pathMatchingExtensionsOrTypes(make(u""), list));
}

TEST_P(PathArithmetic, RelativePath) {
  const std::u16string cases[][3] = {
      // path, directory, relative
      {u"/a/b/c", u"/a", u"./b/c"},     {u"/a", u"/a/b/c", u"../../"},
      {u"/a/x/y", u"/a/b", u"../x/y"},  {u"/a/b", u"/a/b/", u"./"},
      {u"/a/./b/../c", u"//a", u"./c"}, {u"../a", u"b", u"../../a"},
  };
  for (const auto& [path, directory, relative] : cases) {
    EXPECT_EQ(textOf(relativePathToDirectory(make(path), make(directory))), relative);
  }
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);  // a relative side starts here
  EXPECT_EQ(textOf(relativePathToDirectory(make(u"x/y"), String::withUtf8(cwd))), u"./x/y");
  EXPECT_TRUE(relativePathToDirectory(make(u"/a"), String()).isNil());
}

TEST_P(PathArithmetic, InDirectory) {
  const std::pair<std::u16string, bool> cases[] = {
      // path in "/a/b", inside
      {u"/a/b/c", true},           {u"/a/b", true},
      {u"/a/bc", false},           {u"/a", false},
      {u"/a/b/c/../../b/d", true}, {u"/a/b/../../etc/passwd", false},
      {u"/a/b/..", false},         {u"//a/./b/", true},
  };
  for (const auto& [path, inside] : cases) {
    EXPECT_EQ(pathIsInDirectory(make(path), make(u"/a/b/")), inside) << test::utf8(path);
  }
  const String p = make(u"/a/b");
  EXPECT_TRUE(pathIsInDirectory(p, p));  // the same string answers as an equal one
  EXPECT_FALSE(pathIsInDirectory(p, make(u"/")));
  EXPECT_FALSE(pathIsInDirectory(p, String()));
  EXPECT_FALSE(pathIsInDirectory(String(), p));
  EXPECT_TRUE(pathIsInDirectory(make(u"../a"), make(u"..")));
  const std::array<String, 3> directories{String(), u"/x", u"/a/"};
  EXPECT_TRUE(pathIsInDirectories(p, directories));
  EXPECT_FALSE(pathIsInDirectories(make(u"/y"), directories));
}

TEST_P(PathArithmetic, Temporary) {
  const test::ScopedEnv home("HOME", "/home/anna");
  std::optional<test::ScopedEnv> tmp(std::in_place, "TMPDIR", "/run/user/7/tmp/");
  const std::pair<std::u16string, bool> cases[] = {
      {u"/tmp", true},
      {u"//tmp//x", true},
      {u"/tmpfiles/thesis.tex", false},
      {u"/tmp/../home/u/thesis.tex", false},
      {u"/var/tmp", false},
      {u"/var/tmp/x", true},
      {u"/run/user/7/tmp/a", true},
      {u"/run/user/7/tmpa", false},
      {u"/home/anna/Library/Mail/V2/a.mimeattach/f.pdf", true},
      {u"/home/bob/Library/Mail/V2/a.mimeattach/f.pdf", false},
  };
  for (const auto& [path, temporary] : cases) {
    EXPECT_EQ(isTemporaryPath(make(path)), temporary) << test::utf8(path);
  }
  EXPECT_FALSE(isTemporaryPath(String()));
  tmp.emplace("TMPDIR", nullptr);
  EXPECT_FALSE(isTemporaryPath(make(u"/run/user/7/tmp/a")));
}

TEST_P(PathArithmetic, ColonStyle) {
  const std::u16string cases[][2] = {
      {u"docs/x", u"/docs/x"},
      {u"Macintosh HD:Users:anna:", u"/Users/anna"},
      {u"Disk:a/b:c", u"/a:b/c"},
      {u"", u""},
  };
  for (const auto& [path, posix] : cases) {
    const String s = make(path);
    EXPECT_EQ(textOf(POSIXPath(s)), posix);
    EXPECT_TRUE(HFSPath(s).isIdenticalTo(s));
  }
}

INSTANTIATE_FORMS(PathArithmetic);

}  // namespace
}  // namespace orvin
