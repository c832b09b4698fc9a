#include "support/UserDefaults.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <thread>

#include "ChildProcess.h"
#include "StorageForms.h"
#include "TempFolder.h"
#include "TestLocales.h"
#include "paths/ApplicationIdentifier.h"
#include "support/internal/DefaultsFile.h"

namespace orvin {
namespace {

using test::textOf;
using Array = PropertyList::Array;
using Dictionary = PropertyList::Dictionary;

String pathString(const std::string& path) {
  return String::withUtf8(path);
}

TEST(UserDefaults, TypedReadsFollowTheStoreRules) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* name;
    PropertyList value;
    bool asBool;
    NSInteger asInteger;
    double asDouble;
    std::u16string asString;
  } cases[] = {
      {"missing", PropertyList(), false, 0, 0, u"<nil>"},
      {"true", true, true, 1, 1, u"<nil>"},
      {"false", false, false, 0, 0, u"<nil>"},
      {"integer", 42, true, 42, 42, u"42"},
      {"zero", 0, false, 0, 0, u"0"},
      {"negative real", -2.9, true, -2, -2.9, u"-2.9"},
      {"small real", 0.25, true, 0, 0.25, u"0.25"},
      {"huge real", 1e300, true, std::numeric_limits<NSInteger>::max(), 1e300, u"1e+300"},
      {"YES", String(u"YES"), true, 0, 0, u"YES"},
      {"True", String(u"True"), true, 0, 0, u"True"},
      {"yes please", String(u"yes please"), false, 0, 0, u"yes please"},
      {"text 12", String(u"  12"), true, 12, 12, u"  12"},
      {"text 2.25", String(u"2.25"), true, 2, 2.25, u"2.25"},
      {"comma", String(u"1,5"), true, 1, 1, u"1,5"},
      {"text", String(u"abc"), false, 0, 0, u"abc"},
      {"date", Date(), false, 0, 0, u"<nil>"},
      {"data", Bytes{1}, false, 0, 0, u"<nil>"},
      {"array", Array{1}, false, 0, 0, u"<nil>"},
      {"dictionary", Dictionary{{u"a", 1}}, false, 0, 0, u"<nil>"},
  };
  UserDefaults store{String()};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    store.setObject(c.value, u"k");
    EXPECT_EQ(store.boolForKey(u"k"), c.asBool);
    EXPECT_EQ(store.integerForKey(u"k"), c.asInteger);
    EXPECT_EQ(store.doubleForKey(u"k"), c.asDouble);
    EXPECT_EQ(store.floatForKey(u"k"), static_cast<float>(c.asDouble));
    EXPECT_EQ(textOf(store.stringForKey(u"k")), c.asString);
  }
  store.setObject(kNaN, u"nan");
  EXPECT_EQ(store.integerForKey(u"nan"), 0);
}

TEST(UserDefaults, FallbacksOnlyForMissingKeys) {
  UserDefaults store{String()};
  setString(store, u"abc", u"text");
  setValue(store, Array{1, 2}, u"array");
  setValue(store, false, u"no");
  setValue(store, String(u"2.25"), u"number text");
  // Present but not convertible: the store's 0 or NO, not the fallback.
  EXPECT_EQ(integerForKey(store, u"text", 10), 0);
  EXPECT_EQ(floatForKey(store, u"text", 3.5f), 0);
  EXPECT_FALSE(boolForKey(store, u"no", true));
  EXPECT_FALSE(boolForKey(store, u"array", true));
  // Except the double read, which asks the value itself.
  EXPECT_EQ(doubleForKey(store, u"array", 1.5), 1.5);
  EXPECT_EQ(doubleForKey(store, u"number text", 1.5), 2.25);
  EXPECT_EQ(doubleForKey(store, u"no", 1.5), 0);
  EXPECT_EQ(textOf(stringForKey(store, u"array", u"def")), u"def");
  EXPECT_EQ(textOf(stringForKey(store, u"text", u"def")), u"abc");

  for (const char16_t* key : {u"missing", u"text"}) {
    setValue(store, PropertyList(), key);  // nil removes
    EXPECT_TRUE(boolForKey(store, key, true));
    EXPECT_EQ(integerForKey(store, key, 10), 10);
    EXPECT_EQ(floatForKey(store, key, 3.5f), 3.5f);
    EXPECT_EQ(doubleForKey(store, key, 1.5), 1.5);
    EXPECT_EQ(textOf(stringForKey(store, key, u"def")), u"def");
    EXPECT_EQ(objectForKey(store, key, 7), PropertyList(7));
    EXPECT_EQ(objectForKey(store, key, PropertyList()), PropertyList());
  }
  EXPECT_EQ(objectForKey(store, u"array", 7), PropertyList(Array{1, 2}));
}

TEST(UserDefaults, DomainsInOrder) {
  UserDefaults store{String()};
  const char* argv[] = {"prog", "-Volume", "7", "--long", "x", "-Name", "Anna", "-", "y", "-Tail"};
  store.setArguments(10, argv);
  store.registerDefaults({{u"Volume", 1}, {u"Color", u"red"}, {u"Size", 3}});
  store.setObject(5, u"Volume");
  store.setObject(4, u"Size");
  struct Case {
    const char16_t* key;
    PropertyList expected;
  } cases[] = {
      {u"Volume", u"7"},                        // the command line first
      {u"Name", u"Anna"},        {u"Size", 4},  // then the file's domain
      {u"Color", u"red"},                       // then registered
      {u"long", PropertyList()}, {u"-long", PropertyList()},
      {u"Tail", PropertyList()}, {u"", PropertyList()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(store.objectForKey(c.key), c.expected) << test::utf8(c.key);
  }
  EXPECT_EQ(store.integerForKey(u"Volume"), 7);
  store.removeObjectForKey(u"Size");
  EXPECT_EQ(store.objectForKey(u"Size"), PropertyList(3));
  store.setArguments(1, argv);
  EXPECT_EQ(store.objectForKey(u"Volume"), PropertyList(5));
}

TEST(UserDefaults, ValuesWithoutAFileFormAreNotStored) {
  UserDefaults store{String()};
  store.setObject(1, u"k");
  store.setObject(String(u"\xD800"), u"k");
  store.setObject(Array{PropertyList()}, u"k");
  store.setObject(2, u"\xDC00");
  EXPECT_EQ(store.objectForKey(u"k"), PropertyList(1));
  EXPECT_TRUE(store.objectForKey(u"\xDC00").isNil());
  EXPECT_TRUE(store.synchronize());  // memory only
}

class UserDefaultsFile : public ::testing::Test {
 protected:
  std::string file() const { return folder / "conf/app/defaults.plist"; }
  test::TempFolder folder;
};

TEST_F(UserDefaultsFile, SavesPrivatelyAndReadsBack) {
  {
    UserDefaults store(pathString(file()));
    EXPECT_TRUE(store.objectForKey(u"k").isNil());
    store.setObject(Dictionary{{u"list", Array{1, 2.5, u"x"}}, {u"data", Bytes{0, 255}}}, u"k");
    store.setObject(true, u"flag");
    EXPECT_TRUE(store.synchronize());
  }
  EXPECT_EQ(test::modeOf(folder / "conf/app"), 0700u);
  EXPECT_EQ(test::modeOf(file()), 0600u);
  UserDefaults again(pathString(file()));
  EXPECT_EQ(again.objectForKey(u"k"),
            PropertyList(Dictionary{{u"list", Array{1, 2.5, u"x"}}, {u"data", Bytes{0, 255}}}));
  EXPECT_TRUE(again.boolForKey(u"flag"));
  const std::string names[] = {"defaults.plist", "defaults.plist.lock"};
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(folder / "conf/app")) {
    left.push_back(e.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, std::vector<std::string>(std::begin(names), std::end(names)));
}

TEST_F(UserDefaultsFile, MergesPerKeyWithOtherWriters) {
  UserDefaults a(pathString(file()));
  UserDefaults b(pathString(file()));
  a.setObject(1, u"a");
  a.setObject(1, u"shared");
  b.setObject(2, u"b");
  b.setObject(2, u"shared");
  ASSERT_TRUE(a.synchronize());
  ASSERT_TRUE(b.synchronize());
  EXPECT_EQ(b.objectForKey(u"a"), PropertyList(1));  // read back on save
  ASSERT_TRUE(a.synchronize());                      // nothing to save: rereads
  EXPECT_EQ(a.objectForKey(u"b"), PropertyList(2));
  EXPECT_EQ(a.objectForKey(u"shared"), PropertyList(2));  // the last writer wins

  b.removeObjectForKey(u"a");
  a.setObject(3, u"c");
  ASSERT_TRUE(b.synchronize());
  ASSERT_TRUE(a.synchronize());
  EXPECT_TRUE(a.objectForKey(u"a").isNil());  // b's removal is not undone by a's save
  EXPECT_EQ(UserDefaults(pathString(file())).objectForKey(u"c"), PropertyList(3));
}

TEST_F(UserDefaultsFile, CorruptFileIsKeptAsideAndLoggedOnce) {
  std::filesystem::create_directories(folder / "conf/app");
  struct Case {
    std::string content;
    bool corrupt;
  } cases[] = {
      {"", false},
      {"not a plist", true},
      {"<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>", true},
      {"<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>k</key><integer>4</integer>"
       "</dict></plist>",
       false},
  };
  ::testing::internal::CaptureStderr();
  int corrupt = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    std::filesystem::remove(file() + ".bad");
    test::writeFile(file(), c.content);
    UserDefaults store(pathString(file()));
    EXPECT_EQ(std::filesystem::exists(file() + ".bad"), c.corrupt);
    if (c.corrupt) {
      ++corrupt;
      EXPECT_EQ(test::readFile(file() + ".bad"), c.content);
      EXPECT_TRUE(store.objectForKey(u"k").isNil());
      store.setObject(1, u"k");
      EXPECT_TRUE(store.synchronize());
      EXPECT_EQ(test::readFile(file() + ".bad"), c.content);
    }
  }
  const std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(UserDefaults(pathString(file())).objectForKey(u"k"), PropertyList(4));
  EXPECT_EQ(corrupt, 2);
  // Once per process; an earlier test may already have used it up.
  EXPECT_LE(std::count(log.begin(), log.end(), '\n'), 1);
}

TEST_F(UserDefaultsFile, FailedSaveKeepsTheChanges) {
  std::filesystem::create_directories(folder / "conf/app");
  UserDefaults store(pathString(file()));
  store.setObject(1, u"k");
  ::chmod((folder / "conf/app").c_str(), 0500);
  ::chmod(folder.path().c_str(), 0755);
  ::chmod((folder / "conf").c_str(), 0755);
  // As a user who may not write the folder, the save fails and the change
  // stays in memory.
  EXPECT_TRUE(test::runUnprivileged(
      [&] { return !store.synchronize() && store.objectForKey(u"k") == PropertyList(1); }));
  ::chmod((folder / "conf/app").c_str(), 0700);
  EXPECT_TRUE(store.synchronize());
  EXPECT_EQ(UserDefaults(pathString(file())).objectForKey(u"k"), PropertyList(1));
}

TEST_F(UserDefaultsFile, NumbersIgnoreTheProcessLocale) {
  test::LocaleRestorer restore(LC_ALL);
  if (!test::useGermanLocale(LC_ALL)) GTEST_SKIP() << "no de_DE locale";
  UserDefaults store(pathString(file()));
  store.setObject(1.5, u"real");
  store.setObject(String(u"1.5"), u"text");
  ASSERT_TRUE(store.synchronize());
  EXPECT_NE(test::readFile(file()).find("<real>1.5</real>"), std::string::npos);
  UserDefaults again(pathString(file()));
  EXPECT_EQ(again.doubleForKey(u"real"), 1.5);
  EXPECT_EQ(again.doubleForKey(u"text"), 1.5);
  EXPECT_EQ(again.floatForKey(u"text"), 1.5f);
  EXPECT_EQ(textOf(again.stringForKey(u"real")), u"1.5");
}

TEST_F(UserDefaultsFile, TwoProcessesWritingAtOnceLoseNoKey) {
  constexpr int kRounds = 100;
  const std::string path = file();
  auto writer = [&](const char* prefix) {
    return test::inChild([&]() -> std::string {
      UserDefaults store(pathString(path));
      for (int round = 0; round < kRounds; ++round) {
        store.setObject(round, String::withUtf8(prefix + std::to_string(round)));
        if (!store.synchronize()) return "sync failed";
        const std::optional<std::string> bytes = test::readFile(path);
        if (!detail::defaultsFromBytes(*bytes)) return "invalid file";
      }
      return "ok";
    });
  };
  std::string first, second;
  std::thread other([&] { second = writer("b"); });
  first = writer("a");
  other.join();
  EXPECT_EQ(first, "ok");
  EXPECT_EQ(second, "ok");
  UserDefaults store(pathString(path));
  int found = 0;
  for (int round = 0; round < kRounds; ++round) {
    for (const char* prefix : {"a", "b"}) {
      found += store.integerForKey(String::withUtf8(prefix + std::to_string(round))) == round;
    }
  }
  EXPECT_EQ(found, 2 * kRounds);
}

TEST_F(UserDefaultsFile, StandardStoreLivesInTheApplicationsConfigFolder) {
  const std::string conf = folder / "conf";
  struct Case {
    const char16_t* identifier;
    std::string expectedFile;  // "" for memory only
  } cases[] = {
      {u"wendlock-test", conf + "/wendlock-test/defaults.plist"},
      {nullptr, ""},
      {u"..", ""},
      {u"a/b", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(test::inChild([&]() -> std::string {
                ::setenv("XDG_CONFIG_HOME", conf.c_str(), 1);
                setApplicationIdentifier(c.identifier != nullptr ? String(c.identifier) : String());
                UserDefaults& store = UserDefaults::standardUserDefaults();
                if (&store != &UserDefaults::standardUserDefaults()) return "two stores";
                setString(store, u"v", u"k");
                std::exit(0);  // saved by the exit handler
              }),
              "");
    if (!c.expectedFile.empty()) {
      EXPECT_EQ(UserDefaults(pathString(c.expectedFile)).objectForKey(u"k"), PropertyList(u"v"));
    }
  }
  std::vector<std::string> made;
  for (const auto& e : std::filesystem::directory_iterator(conf)) {
    made.push_back(e.path().filename().string());
  }
  EXPECT_EQ(made, std::vector<std::string>{"wendlock-test"});
}

}  // namespace
}  // namespace orvin
