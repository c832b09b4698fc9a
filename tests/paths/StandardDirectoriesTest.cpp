#include "paths/StandardDirectories.h"

#include <gtest/gtest.h>
#include <pwd.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "ChildProcess.h"
#include "StorageForms.h"
#include "TempFolder.h"
#include "paths/ApplicationIdentifier.h"
#include "paths/internal/PathJoining.h"
#include "paths/internal/UserDirs.h"

namespace orvin {
namespace {

using test::inChild;
using test::textOf;

const char* const kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                  "SNAP_REAL_HOME"};

// Clears the variables the folders depend on, then sets `env` (in a child).
void setEnvironment(const std::map<std::string, std::string>& env) {
  for (const char* name : kVariables) ::unsetenv(name);
  for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
}

std::string passwordHome() {
  const passwd* entry = ::getpwuid(::getuid());
  return entry != nullptr ? entry->pw_dir : "/";
}

TEST(StandardDirectories, FollowTheXdgFolders) {
  test::TempFolder folder;
  const std::string h = folder / "home";
  std::filesystem::create_directories(h + "/.config");
  std::filesystem::create_directories(folder / "conf");
  struct Case {
    const char* name;
    std::map<std::string, std::string> env;
    std::optional<std::string> userDirs;  // written to the config folder in use
    std::string expected;  // desktop|downloads|library|preferences|caches|support|user library
  } cases[] = {
      {"plain home",
       {{"HOME", h}},
       std::nullopt,
       h + "/Desktop|" + h + "/Downloads|" + h + "/.local/share|" + h + "/.config|" + h +
           "/.cache|" + h + "/.local/share|" + h + "/.local/share/Mail"},
      {"xdg variables",
       {{"HOME", h},
        {"XDG_DATA_HOME", "/d/"},
        {"XDG_CACHE_HOME", "/c"},
        {"XDG_CONFIG_HOME", folder / "conf"}},
       "XDG_DESKTOP_DIR=\"/srv/Desk top\"\n",
       "/srv/Desk top|" + h + "/Downloads|/d/|" + folder / "conf" + "|/c|/d/|/d/Mail"},
      {"relative xdg ignored",
       {{"HOME", h}, {"XDG_DATA_HOME", "d"}, {"XDG_CACHE_HOME", ""}, {"XDG_CONFIG_HOME", "conf"}},
       "XDG_DOWNLOAD_DIR=\"$HOME/Herunterladen\"\n",
       h + "/Desktop|" + h + "/Herunterladen|" + h + "/.local/share|" + h + "/.config|" + h +
           "/.cache|" + h + "/.local/share|" + h + "/.local/share/Mail"},
      {"user dirs",
       {{"HOME", h}},
       "# comment\nXDG_DESKTOP_DIR=\"$HOME\"\nXDG_DOWNLOAD_DIR=\"relative/x\"\n"
       "XDG_DOWNLOAD_DIR=\"$HOME/A\\\"B\"\n",
       h + "|" + h + "/A\"B|" + h + "/.local/share|" + h + "/.config|" + h + "/.cache|" + h +
           "/.local/share|" + h + "/.local/share/Mail"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string config =
        c.env.count("XDG_CONFIG_HOME") != 0 && c.env.at("XDG_CONFIG_HOME").starts_with("/")
            ? c.env.at("XDG_CONFIG_HOME")
            : h + "/.config";
    std::filesystem::remove(config + "/user-dirs.dirs");
    if (c.userDirs) test::writeFile(config + "/user-dirs.dirs", *c.userDirs);
    EXPECT_EQ(inChild([&] {
                setEnvironment(c.env);
                return desktopDirectory().toUtf8() + "|" + downloadsDirectory().toUtf8() + "|" +
                       libraryDirectory().toUtf8() + "|" + preferencesDirectory().toUtf8() + "|" +
                       cachesDirectory().toUtf8() + "|" + applicationSupportDirectory().toUtf8() +
                       "|" + pathInUserLibrary(u"Mail").toUtf8();
              }),
              c.expected);
  }
}

TEST(StandardDirectories, HomeComesFromTheEnvironmentOrThePasswordDatabase) {
  struct Case {
    std::map<std::string, std::string> env;
    std::string expected;
  } cases[] = {
      {{{"HOME", "/h/anna"}}, "/h/anna"},       {{}, passwordHome()},
      {{{"HOME", ""}}, passwordHome()},         {{{"HOME", "relative"}}, passwordHome()},
      {{{"HOME", "/bad\xFF"}}, passwordHome()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(inChild([&] {
                setEnvironment(c.env);
                return homeDirectory().toUtf8() + "|" + pathInHomeDirectory(u"x").toUtf8();
              }),
              c.expected + "|" + (c.expected == "/" ? "" : c.expected) + "/x");
  }
  EXPECT_EQ(textOf(temporaryDirectory()), u"/tmp");
}

TEST(StandardDirectories, KeepTheFirstAnswerButHomeFollowsItsVariable) {
  EXPECT_EQ(inChild([] {
              setEnvironment({{"HOME", "/first"}});
              const std::string before = desktopDirectory().toUtf8() + cachesDirectory().toUtf8() +
                                         userHomeDirectory().toUtf8();
              ::setenv("HOME", "/second", 1);
              ::setenv("XDG_CACHE_HOME", "/elsewhere", 1);
              return before + "|" + desktopDirectory().toUtf8() + cachesDirectory().toUtf8() +
                     userHomeDirectory().toUtf8() + "|" + pathInHomeDirectory(u"a").toUtf8();
            }),
            "/first/Desktop/first/.cache/first|/first/Desktop/first/.cache/first|/second/a");
}

TEST(StandardDirectories, RealHomeOutsideAContainer) {
  const std::string kContainer = "/Users/u/Library/Containers/app.id/Data";
  struct Case {
    std::map<std::string, std::string> env;
    const char16_t* identifier;
    std::string expected;  // user home|user library of "Mail"|in user home "a"
  } cases[] = {
      {{{"HOME", kContainer}}, u"app.id", "/Users/u|/Users/u/.local/share/Mail|/Users/u/a"},
      {{{"HOME", kContainer}}, nullptr, "/Users/u|/Users/u/.local/share/Mail|/Users/u/a"},
      {{{"HOME", kContainer}},
       u"other.id",
       kContainer + "|" + kContainer + "/.local/share/Mail|" + kContainer + "/a"},
      {{{"HOME", "/home/u/library/containers/x"}},
       nullptr,
       "/home/u/library/containers/x|/home/u/library/containers/x/.local/share/Mail|"
       "/home/u/library/containers/x/a"},
      {{{"HOME", "/snap/home"}, {"SNAP_REAL_HOME", "/home/u"}},
       nullptr,
       "/home/u|/home/u/.local/share/Mail|/home/u/a"},
      {{{"HOME", kContainer}, {"XDG_DATA_HOME", "/data"}},
       u"app.id",
       "/Users/u|/data/Mail|/Users/u/a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(inChild([&] {
                setEnvironment(c.env);
                setApplicationIdentifier(c.identifier != nullptr ? String(c.identifier) : String());
                return userHomeDirectory().toUtf8() + "|" + pathInUserLibrary(u"Mail").toUtf8() +
                       "|" + pathInUserHome(u"a").toUtf8();
              }),
              c.expected);
  }
}

TEST(StandardDirectories, PathsInFoldersJoinWithOneSlash) {
  EXPECT_EQ(inChild([] {
              setEnvironment({{"HOME", "/h/"}, {"XDG_CACHE_HOME", "/c/"}});
              return pathInLibraryDirectory(u"/etc").toUtf8() + "|" +
                     pathInCachesDirectory(u"../x/").toUtf8() + "|" +
                     pathInPreferencesDirectory(u"").toUtf8() + "|" +
                     pathInApplicationSupportDirectory(u"a/b").toUtf8();
            }),
            "/h/.local/share/etc|/c/../x|/h/.config|/h/.local/share/a/b");
}

TEST(PathJoining, PutsExactlyOneSlashBetween) {
  struct Case {
    String folder, component;
    std::u16string expected;
  } cases[] = {
      {u"/tmp", u"x", u"/tmp/x"},
      {u"/tmp/", u"x", u"/tmp/x"},
      {u"/tmp//", u"//x//", u"/tmp/x"},
      {u"/", u"x", u"/x"},
      {u"/", u"/", u"/"},
      {u"/tmp", u"", u"/tmp"},
      {u"/tmp", String(), u"/tmp"},
      {u"", u"x", u"x"},
      {String(), u"x", u"<nil>"},
      {u"/a", u"../b", u"/a/../b"},
      {u"/a", u"b//c", u"/a/b//c"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(textOf(detail::joinPath(c.folder, c.component)), c.expected)
        << test::utf8(textOf(c.folder)) << " + " << test::utf8(textOf(c.component));
  }
}

TEST(UserDirs, AcceptsOnlyHomeOrAbsoluteQuotedValues) {
  struct Case {
    std::string content;
    std::u16string expected;
  } cases[] = {
      {"XDG_DESKTOP_DIR=\"$HOME/Desk\"", u"/h/Desk"},
      {"  XDG_DESKTOP_DIR=\"/abs\"  \r\n", u"/abs"},
      {"XDG_DESKTOP_DIR=\"$HOME\"", u"/h"},
      {"XDG_DESKTOP_DIR=\"$HOMEX\"", u"<nil>"},
      {"XDG_DESKTOP_DIR=$HOME/Desk", u"<nil>"},
      {"XDG_DESKTOP_DIR=\"rel\"", u"<nil>"},
      {"XDG_DESKTOP_DIR=\"\"", u"<nil>"},
      {"XDG_DESKTOP_DIR=\"/a\"b\"", u"<nil>"},
      {"XDG_DESKTOP_DIR=\"/a\\", u"<nil>"},
      {"XDG_DESKTOP_DIR=\"/a\\$b\"", u"/a$b"},
      {"XDG_DESKTOP_DIRX=\"/a\"", u"<nil>"},
      {"XDG_DESKTOP_DIR =\"/a\"", u"<nil>"},
      {"XDG_DESKTOP_DIR=\"/a\"\nXDG_DESKTOP_DIR=\"/b\"", u"/b"},
      {"XDG_DESKTOP_DIR=\"/a\"\nXDG_DESKTOP_DIR=\"bad\"", u"/a"},
      {"XDG_DESKTOP_DIR=\"/\xFF\"", u"<nil>"},
      {"XDG_DESKTOP_DIR=\"/Schreibtisch \xC3\xA4\"", u"/Schreibtisch ä"},
      {"", u"<nil>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(textOf(detail::userDirFromContent(c.content, "XDG_DESKTOP_DIR", u"/h")), c.expected)
        << c.content;
  }
}

}  // namespace
}  // namespace orvin
