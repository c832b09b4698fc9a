#include "paths/StandardDirectories.h"

#include <gtest/gtest.h>
#include <pwd.h>

#include <map>
#include <string>

#include "ChildProcess.h"
#include "StorageForms.h"
#include "TempFolder.h"
#include "paths/ApplicationIdentifier.h"
#include "paths/internal/PathJoining.h"
#include "paths/internal/UserDirs.h"

namespace orvin {
namespace {

using Env = std::map<std::string, std::string>;
using test::textOf;

// In a fresh child (the folders are kept once worked out): sets exactly
// `env` and answers `report`.
std::string withEnvironment(const Env& env, const std::function<std::string()>& report) {
  return test::inChild([&] {
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "SNAP_REAL_HOME"}) {
      ::unsetenv(name);
    }
    for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    return report();
  });
}

std::string allFolders() {
  return desktopDirectory().toUtf8() + "|" + downloadsDirectory().toUtf8() + "|" +
         libraryDirectory().toUtf8() + "|" + preferencesDirectory().toUtf8() + "|" +
         cachesDirectory().toUtf8() + "|" + applicationSupportDirectory().toUtf8() + "|" +
         pathInUserLibrary(u"Mail").toUtf8();
}

TEST(StandardDirectories, FollowTheXdgFolders) {
  test::TempFolder folder;
  const std::string h = folder / "h", conf = folder / "conf";
  std::filesystem::create_directories(h + "/.config");
  std::filesystem::create_directories(conf);
  // desktop|downloads|library|preferences|caches|support|user library
  auto expect = [](const std::string& desk, const std::string& down, const std::string& data,
                   const std::string& config, const std::string& cache) {
    return desk + "|" + down + "|" + data + "|" + config + "|" + cache + "|" + data + "|" + data +
           (data.ends_with("/") ? "" : "/") + "Mail";
  };
  EXPECT_EQ(
      withEnvironment({{"HOME", h}}, allFolders),
      expect(h + "/Desktop", h + "/Downloads", h + "/.local/share", h + "/.config", h + "/.cache"));
  // Relative XDG values are ignored; user-dirs.dirs is read from the config
  // folder in use.
  test::writeFile(h + "/.config/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/Dl\"\n");
  EXPECT_EQ(
      withEnvironment({{"HOME", h}, {"XDG_DATA_HOME", "d"}, {"XDG_CONFIG_HOME", "c"}}, allFolders),
      expect(h + "/Desktop", h + "/Dl", h + "/.local/share", h + "/.config", h + "/.cache"));
  test::writeFile(conf + "/user-dirs.dirs", "XDG_DESKTOP_DIR=\"/srv/Desk top\"\n");
  EXPECT_EQ(withEnvironment({{"HOME", h},
                             {"XDG_DATA_HOME", "/d/"},
                             {"XDG_CACHE_HOME", "/c"},
                             {"XDG_CONFIG_HOME", conf}},
                            allFolders),
            expect("/srv/Desk top", h + "/Downloads", "/d/", conf, "/c"));
}

TEST(StandardDirectories, HomeFromTheVariableOrThePasswordDatabase) {
  const std::string database = ::getpwuid(::getuid())->pw_dir;
  const std::pair<Env, std::string> cases[] = {
      {{{"HOME", "/h/anna"}}, "/h/anna"},
      {{}, database},
      {{{"HOME", "rel"}}, database},
      {{{"HOME", "/bad\xFF"}}, database},
  };
  for (const auto& [env, home] : cases) {
    EXPECT_EQ(withEnvironment(env, [] { return pathInHomeDirectory(u"x").toUtf8(); }),
              detail::joinPath(String::withUtf8(home), u"x").toUtf8());
  }
  // Home is read on every call; the other folders once.
  EXPECT_EQ(withEnvironment({{"HOME", "/1"}},
                            [] {
                              const std::string first = cachesDirectory().toUtf8();
                              ::setenv("HOME", "/2", 1);
                              return first + cachesDirectory().toUtf8() + homeDirectory().toUtf8();
                            }),
            "/1/.cache/1/.cache/2");
  EXPECT_EQ(textOf(temporaryDirectory()), u"/tmp");
}

TEST(StandardDirectories, RealHomeOutsideAContainer) {
  const std::string box = "/Users/u/Library/Containers/app.id/Data";
  const std::tuple<Env, const char16_t*, std::string> cases[] = {
      {{{"HOME", box}}, u"app.id", "/Users/u|/Users/u/.local/share/Mail"},
      {{{"HOME", box}}, nullptr, "/Users/u|/Users/u/.local/share/Mail"},
      {{{"HOME", box}}, u"other.id", box + "|" + box + "/.local/share/Mail"},
      {{{"HOME", "/h/library/containers/x"}},
       nullptr,
       "/h/library/containers/x|/h/library/containers/x/.local/share/Mail"},
      {{{"HOME", "/snap/h"}, {"SNAP_REAL_HOME", "/home/u"}},
       nullptr,
       "/home/u|/home/u/.local/share/Mail"},
      {{{"HOME", box}, {"XDG_DATA_HOME", "/data"}}, u"app.id", "/Users/u|/data/Mail"},
  };
  for (const auto& [env, caseId, expected] : cases) {
    const char16_t* id = caseId;  // clang 14 lambdas cannot capture a structured binding
    EXPECT_EQ(withEnvironment(env,
                              [&] {
                                setApplicationIdentifier(id != nullptr ? String(id) : String());
                                return pathInUserHome(u"").toUtf8() + "|" +
                                       pathInUserLibrary(u"Mail").toUtf8();
                              }),
              expected);
  }
}

TEST(StandardDirectories, JoinWithExactlyOneSlash) {
  const std::tuple<String, String, std::u16string> cases[] = {
      {u"/tmp//", u"//x//", u"/tmp/x"},
      {u"/", u"x", u"/x"},
      {u"/", u"/", u"/"},
      {u"/tmp", String(), u"/tmp"},
      {u"", u"x", u"x"},
      {String(), u"x", u"<nil>"},
      {u"/a", u"../b", u"/a/../b"},
      {u"/a", u"b//c", u"/a/b//c"},
  };
  for (const auto& [left, right, joined] : cases) {
    EXPECT_EQ(textOf(detail::joinPath(left, right)), joined) << test::utf8(textOf(right));
  }
}

TEST(StandardDirectories, UserDirsAcceptOnlyHomeOrAbsoluteQuotedValues) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"XDG_DESKTOP_DIR=\"$HOME/Desk\"", u"/h/Desk"},
      {"  XDG_DESKTOP_DIR=\"/abs\"  \r\n", u"/abs"},
      {"XDG_DESKTOP_DIR=\"$HOME\"", u"/h"},
      {"XDG_DESKTOP_DIR=\"$HOMEX\"", u"<nil>"},
      {"XDG_DESKTOP_DIR=\"/a\"b\"", u"<nil>"},
      {"XDG_DESKTOP_DIR=\"/a\\", u"<nil>"},
      {"XDG_DESKTOP_DIR=\"/a\\$b\"", u"/a$b"},
      {"XDG_DESKTOP_DIR=\"/a\"\nXDG_DESKTOP_DIR=\"/b\"", u"/b"},
      {"XDG_DESKTOP_DIR=\"/a\"\nXDG_DESKTOP_DIR=\"bad\"", u"/a"},
      {"XDG_DESKTOP_DIR=\"/\xFF\"", u"<nil>"},
  };
  for (const auto& [content, folder] : cases) {
    EXPECT_EQ(textOf(detail::userDirFromContent(content, "XDG_DESKTOP_DIR", u"/h")), folder)
        << content;
  }
}

}  // namespace
}  // namespace orvin
