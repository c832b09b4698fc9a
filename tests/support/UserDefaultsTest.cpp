#include "support/UserDefaults.h"

#include <gtest/gtest.h>

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

String at(const std::string& path) {
  return String::withUtf8(path);
}

TEST(UserDefaults, TypedReadsAndTheirFallbacks) {
  constexpr NSInteger kMax = std::numeric_limits<NSInteger>::max();
  struct Case {
    PropertyList value;
    bool asBool;
    NSInteger asInteger;
    double asDouble;  // also the double read with fallback 1.5
    std::u16string asString;
  } cases[] = {
      {true, true, 1, 1, u"<nil>"},          {0, false, 0, 0, u"0"},
      {-2.9, true, -2, -2.9, u"-2.9"},       {0.25, true, 0, 0.25, u"0.25"},
      {1e300, true, kMax, 1e300, u"1e+300"}, {u"YES", true, 0, 0, u"YES"},
      {u"yes sir", false, 0, 0, u"yes sir"}, {u"  12", true, 12, 12, u"  12"},
      {u"2.25", true, 2, 2.25, u"2.25"},     {u"1,5", true, 1, 1, u"1,5"},
      {Date(), false, 0, 1.5, u"<nil>"},     {Dictionary{{u"a", 1}}, false, 0, 1.5, u"<nil>"},
  };
  UserDefaults store{String()};
  for (const Case& c : cases) {
    setValue(store, c.value, u"k");
    SCOPED_TRACE(test::utf8(textOf(store.stringForKey(u"k"))));
    // A present value converts by the store's rules, never to the fallback,
    EXPECT_EQ(boolForKey(store, u"k", !c.asBool), c.asBool);
    EXPECT_EQ(integerForKey(store, u"k", 10), c.asInteger);
    EXPECT_EQ(floatForKey(store, u"k", 3.5f), c.asDouble == 1.5 ? 0 : float(c.asDouble));
    EXPECT_EQ(textOf(stringForKey(store, u"k", u"def")),
              c.asString == u"<nil>" ? u"def" : c.asString);
    // but the double read asks the value, and falls back when it cannot answer.
    EXPECT_EQ(doubleForKey(store, u"k", 1.5), c.asDouble);
    EXPECT_EQ(objectForKey(store, u"k", 7), c.value);
  }
  setValue(store, PropertyList(), u"k");  // nil removes
  EXPECT_TRUE(boolForKey(store, u"k", true));
  EXPECT_EQ(integerForKey(store, u"k", 10), 10);
  EXPECT_EQ(floatForKey(store, u"k", 3.5f), 3.5f);
  EXPECT_EQ(doubleForKey(store, u"k", 1.5), 1.5);
  EXPECT_EQ(objectForKey(store, u"k", 7), PropertyList(7));
  EXPECT_EQ(store.integerForKey(u"k"), 0);
  // Values the file cannot hold are not stored.
  setString(store, u"\xD800", u"k");
  store.setObject(Array{PropertyList()}, u"k");
  EXPECT_TRUE(store.objectForKey(u"k").isNil());
}

TEST(UserDefaults, DomainsInOrder) {
  UserDefaults store{String()};
  const char* argv[] = {"prog", "-Volume", "7", "--long", "x", "-Name", "Anna", "-", "y", "-Tail"};
  store.setArguments(10, argv);
  store.registerDefaults({{u"Volume", 1}, {u"Color", u"red"}, {u"Size", 3}});
  store.setObject(5, u"Volume");
  store.setObject(4, u"Size");
  const std::pair<const char16_t*, PropertyList> cases[] = {
      {u"Volume", u"7"},     {u"Name", u"Anna"},        {u"Size", 4},
      {u"Color", u"red"},    {u"long", PropertyList()}, {u"Tail", PropertyList()},
      {u"", PropertyList()},
  };
  for (const auto& [key, value] : cases) EXPECT_EQ(store.objectForKey(key), value);
  store.removeObjectForKey(u"Size");
  EXPECT_EQ(store.objectForKey(u"Size"), PropertyList(3));
  store.setArguments(1, argv);
  EXPECT_EQ(store.objectForKey(u"Volume"), PropertyList(5));
  EXPECT_TRUE(store.synchronize());  // memory only
}

class UserDefaultsFile : public ::testing::Test {
 protected:
  test::TempFolder folder;
  const std::string file = folder / "conf/app/defaults.plist";
};

TEST_F(UserDefaultsFile, SavedPrivatelyAndMergedPerKey) {
  UserDefaults a(at(file)), b(at(file));
  const Dictionary nested{{u"list", Array{1, 2.5, u"x"}}, {u"data", Bytes{0, 255}}};
  a.setObject(nested, u"a");
  a.setObject(1, u"shared");
  b.setObject(2, u"b");
  b.setObject(2, u"shared");
  ASSERT_TRUE(a.synchronize());
  ASSERT_TRUE(b.synchronize());
  ASSERT_TRUE(a.synchronize());  // nothing to save: rereads
  EXPECT_EQ(a.objectForKey(u"b"), PropertyList(2));
  EXPECT_EQ(a.objectForKey(u"shared"), PropertyList(2));  // the last writer wins
  b.removeObjectForKey(u"shared");
  a.setObject(3, u"c");
  ASSERT_TRUE(b.synchronize());
  ASSERT_TRUE(a.synchronize());  // does not bring back what b removed
  UserDefaults reader(at(file));
  EXPECT_EQ(reader.objectForKey(u"a"), PropertyList(nested));
  EXPECT_TRUE(reader.objectForKey(u"shared").isNil());
  EXPECT_EQ(reader.objectForKey(u"c"), PropertyList(3));
  EXPECT_EQ(test::modeOf(folder / "conf/app"), 0700u);
  EXPECT_EQ(test::modeOf(file), 0600u);
  EXPECT_EQ(folder.names("conf/app"),
            (std::vector<std::string>{"defaults.plist", "defaults.plist.lock"}));
}

TEST_F(UserDefaultsFile, CorruptFileIsKeptAside) {
  std::filesystem::create_directories(folder / "conf/app");
  const std::pair<std::string, bool> cases[] = {
      {"", false},
      {"not a plist", true},
      {"<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>", true},
  };
  for (const auto& [content, corrupt] : cases) {
    std::filesystem::remove(file + ".bad");
    test::writeFile(file, content);
    UserDefaults store(at(file));
    store.setObject(1, u"k");
    EXPECT_TRUE(store.synchronize());
    EXPECT_EQ(test::readFile(file + ".bad"), corrupt ? content : "");
    EXPECT_EQ(UserDefaults(at(file)).objectForKey(u"k"), PropertyList(1));
  }
}

TEST_F(UserDefaultsFile, FailedSaveKeepsTheChanges) {
  std::filesystem::create_directories(folder / "conf/app");
  UserDefaults store(at(file));
  store.setObject(1, u"k");
  ::chmod((folder / "conf/app").c_str(), 0500);
  ::chmod(folder.path().c_str(), 0755);
  ::chmod((folder / "conf").c_str(), 0755);
  EXPECT_TRUE(test::runUnprivileged([&] { return !store.synchronize(); }));
  ::chmod((folder / "conf/app").c_str(), 0700);
  EXPECT_TRUE(store.synchronize());
  EXPECT_EQ(UserDefaults(at(file)).objectForKey(u"k"), PropertyList(1));
}

TEST_F(UserDefaultsFile, NumbersIgnoreTheProcessLocale) {
  EXPECT_EQ(test::inChild([&]() -> std::string {
              if (!test::useGermanLocale(LC_ALL)) return "ok";
              UserDefaults store(at(file));
              store.setObject(1.5, u"real");
              store.setObject(String(u"1.5"), u"text");
              if (!store.synchronize()) return "not saved";
              UserDefaults again(at(file));
              const bool ok = test::readFile(file).find("<real>1.5</real>") != std::string::npos &&
                              again.doubleForKey(u"real") == 1.5 &&
                              again.floatForKey(u"text") == 1.5f &&
                              again.stringForKey(u"real") == String(u"1.5");
              return ok ? "ok" : "locale leaked";
            }),
            "ok");
}

TEST_F(UserDefaultsFile, TwoProcessesWritingAtOnceLoseNoKey) {
  constexpr int kRounds = 100;
  auto writer = [&](const std::string& prefix) {
    return test::inChild([&]() -> std::string {
      UserDefaults store(at(file));
      for (int round = 0; round < kRounds; ++round) {
        store.setObject(round, at(prefix + std::to_string(round)));
        if (!store.synchronize()) return "not saved";
        if (!detail::defaultsFromBytes(test::readFile(file))) return "invalid file";
      }
      return "ok";
    });
  };
  std::string second;
  std::thread other([&] { second = writer("b"); });
  EXPECT_EQ(writer("a"), "ok");
  other.join();
  EXPECT_EQ(second, "ok");
  UserDefaults store(at(file));
  int found = 0;
  for (int round = 0; round < kRounds; ++round) {
    found += store.integerForKey(at("a" + std::to_string(round))) == round;
    found += store.integerForKey(at("b" + std::to_string(round))) == round;
  }
  EXPECT_EQ(found, 2 * kRounds);
}

TEST_F(UserDefaultsFile, StandardStoreIsTheApplicationsAndSavedAtExit) {
  const std::string conf = folder / "conf";
  for (const char16_t* id :
       {u"wendlock-test", u"..", u"a/b", static_cast<const char16_t*>(nullptr)}) {
    test::inChild([&]() -> std::string {
      ::setenv("XDG_CONFIG_HOME", conf.c_str(), 1);
      setApplicationIdentifier(id != nullptr ? String(id) : String());
      setString(UserDefaults::standardUserDefaults(), u"v", u"k");
      std::exit(0);
    });
  }
  EXPECT_EQ(folder.names("conf"), std::vector<std::string>{"wendlock-test"});
  EXPECT_EQ(UserDefaults(at(conf + "/wendlock-test/defaults.plist")).objectForKey(u"k"),
            PropertyList(u"v"));
}

}  // namespace
}  // namespace orvin
