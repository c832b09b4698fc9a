#include "paths/PathLocations.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <optional>
#include <string>

#include "tests/ScopedEnv.h"
#include "tests/StorageForms.h"

namespace orvin {
namespace {

using test::textOf;

class PathLocations : public test::FormTest {};

TEST_P(PathLocations, RelativePath) {
  struct Case {
    std::u16string path, directory, relative;
  };
  const Case cases[] = {
      {u"/a/b/c", u"/a", u"./b/c"},     {u"/a", u"/a/b/c", u"../../"},
      {u"/a/x/y", u"/a/b", u"../x/y"},  {u"/a/b", u"/a/b/", u"./"},
      {u"/a/./b/../c", u"//a", u"./c"}, {u"../a", u"b", u"../../a"},
      {u"x/y", u"x", u"./y"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.path) + " to " + test::utf8(c.directory));
    EXPECT_EQ(textOf(relativePathToDirectory(make(c.path), make(c.directory))), c.relative);
  }
  // One side relative: taken from the current directory.
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  const String here = String::withUtf8(cwd);
  EXPECT_EQ(textOf(relativePathToDirectory(make(u"x/y"), here)), u"./x/y");
  EXPECT_TRUE(relativePathToDirectory(String(), make(u"/a")).isNil());
  EXPECT_TRUE(relativePathToDirectory(make(u"/a"), String()).isNil());
}

TEST_P(PathLocations, InDirectory) {
  struct Case {
    std::u16string path, directory;
    bool inside;
  };
  const Case cases[] = {
      {u"/a/b/c", u"/a/b", true},
      {u"/a/b/c", u"/a/b/", true},
      {u"/a/b", u"/a/b", true},
      {u"/a/bc", u"/a/b", false},
      {u"/a", u"/a/b", false},
      {u"/a/b/c", u"/", false},
      {u"/a/b/c", u"", false},
      {u"/srv/up/../../etc/passwd", u"/srv/up", false},
      {u"/srv/up/x/../y", u"/srv/up", true},
      {u"/srv/up/..", u"/srv/up", false},
      {u"/srv/./up/", u"/srv/up/.", true},
      {u"a/b", u"a", true},
      {u"../a", u"..", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.path) + " in " + test::utf8(c.directory));
    EXPECT_EQ(pathIsInDirectory(make(c.path), make(c.directory)), c.inside);
  }
  const String p = make(u"/a/b");
  EXPECT_TRUE(pathIsInDirectory(p, p));  // the same string answers as an equal one
  EXPECT_FALSE(pathIsInDirectory(p, String()));
  EXPECT_FALSE(pathIsInDirectory(String(), p));
  const std::array<String, 3> directories{String(), u"/x", u"/a/"};
  EXPECT_TRUE(pathIsInDirectories(p, directories));
  EXPECT_FALSE(pathIsInDirectories(make(u"/y"), directories));
  EXPECT_FALSE(pathIsInDirectories(p, {}));
}

TEST_P(PathLocations, Temporary) {
  const test::ScopedEnv home("HOME", "/home/anna");
  std::optional<test::ScopedEnv> tmp(std::in_place, "TMPDIR", "/run/user/7/tmp/");
  struct Case {
    std::u16string path;
    bool temporary;
  };
  const Case cases[] = {
      {u"/tmp", true},
      {u"/tmp/x", true},
      {u"/tmpfiles/thesis.tex", false},
      {u"/tmp/../home/u/thesis.tex", false},
      {u"//tmp//x", true},
      {u"/var/tmp", false},
      {u"/var/tmp/x", true},
      {u"/var/tmpx/y", false},
      {u"/run/user/7/tmp", true},
      {u"/run/user/7/tmp/a", true},
      {u"/run/user/7/tmpa", false},
      {u"/home/anna/Library/Mail/V2/a.mimeattach/f.pdf", true},
      {u"/home/bob/Library/Mail/V2/a.mimeattach/f.pdf", false},
      {u"/home/anna/Library/Mail/V2/f.pdf", false},
      {u"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.path));
    EXPECT_EQ(isTemporaryPath(make(c.path)), c.temporary);
  }
  EXPECT_FALSE(isTemporaryPath(String()));
  tmp.reset();
  const test::ScopedEnv noTmp("TMPDIR", nullptr);
  EXPECT_FALSE(isTemporaryPath(make(u"/run/user/7/tmp/a")));
}

TEST_P(PathLocations, Styles) {
  struct Case {
    std::u16string path, posix;
  };
  const Case cases[] = {
      {u"docs/x", u"/docs/x"},    {u"/a/b", u"/a/b"}, {u"Macintosh HD:Users:anna:", u"/Users/anna"},
      {u"Disk:a/b:c", u"/a:b/c"}, {u"Disk:", u"/"},   {u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.path));
    const String path = make(c.path);
    EXPECT_EQ(textOf(POSIXPath(path)), c.posix);
    EXPECT_TRUE(HFSPath(path).isIdenticalTo(path));
  }
}

INSTANTIATE_FORMS(PathLocations);

}  // namespace
}  // namespace orvin
