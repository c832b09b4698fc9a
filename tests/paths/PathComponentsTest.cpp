#include "paths/PathComponents.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/ScopedEnv.h"
#include "tests/StorageForms.h"

namespace orvin {
namespace {

using test::ScopedEnv;
using test::textOf;
using test::textsOf;
using Texts = std::vector<std::u16string>;

class PathComponents : public test::FormTest {};

TEST_P(PathComponents, SplitAndStandardize) {
  struct Case {
    std::u16string path;
    Texts components;
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
      {u"//", {u"/"}, u"/", u"/", u"/", u"/"},
      {u"/a/..", {u"/", u"a", u".."}, u"..", u"/a", u"/", u"/a"},
      {u"/../etc/passwd",
       {u"/", u"..", u"etc", u"passwd"},
       u"passwd",
       u"/../etc",
       u"/etc/passwd",
       u"/../etc"},
      {u"../x", {u"..", u"x"}, u"x", u"..", u"../x", u".."},
      {u"a/../..", {u"a", u"..", u".."}, u"..", u"a/..", u"..", u"a/.."},
      {u"../../a/b/../..",
       {u"..", u"..", u"a", u"b", u"..", u".."},
       u"..",
       u"../../a/b/..",
       u"../..",
       u"../../a/b/.."},
      {u"a/..", {u"a", u".."}, u"..", u"a", u"", u"a"},
      {u"./", {u".", u"/"}, u".", u"", u"", u"."},
      {u"a", {u"a"}, u"a", u"", u"a", u""},
      {u"a/b/", {u"a", u"b", u"/"}, u"b", u"a", u"a/b", u"a/b"},
      {u"~/x/...", {u"~", u"x", u"..."}, u"...", u"~/x", u"~/x/...", u"~/x"},
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
  EXPECT_TRUE(pathComponents(String()).empty());
}

TEST_P(PathComponents, Tilde) {
  const ScopedEnv home("HOME", "/home/anna/");
  struct Case {
    std::u16string path, expanded, abbreviated;
  };
  const Case cases[] = {
      {u"~", u"/home/anna", u"~"},
      {u"~/notes", u"/home/anna/notes", u"~/notes"},
      {u"~anna/x", u"~anna/x", u"~anna/x"},
      {u"/home/anna", u"/home/anna", u"~"},
      {u"/home/anna/x/", u"/home/anna/x/", u"~/x/"},
      {u"/home/annabel", u"/home/annabel", u"/home/annabel"},
      {u"/home", u"/home", u"/home"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.path));
    EXPECT_EQ(textOf(stringByExpandingTildeInPath(make(c.path))), c.expanded);
    EXPECT_EQ(textOf(stringByAbbreviatingWithTildeInPath(make(c.path))), c.abbreviated);
  }
  EXPECT_EQ(textOf(stringByStandardizingPath(make(u"~/a/../b/"))), u"/home/anna/b");
  EXPECT_EQ(textOf(stringByAppendingPathComponent(make(u"/tmp/"), make(u"/x"))), u"/tmp/x");
  const ScopedEnv root("HOME", "/");
  EXPECT_EQ(textOf(stringByAbbreviatingWithTildeInPath(make(u"/x"))), u"/x");
}

INSTANTIATE_FORMS(PathComponents);

}  // namespace
}  // namespace orvin
