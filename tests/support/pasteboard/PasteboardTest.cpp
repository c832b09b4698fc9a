#include "support/pasteboard/Pasteboard.h"

#include <gtest/gtest.h>

#include <string>

#include "StorageForms.h"

namespace orvin {
namespace {

using Array = PropertyList::Array;

TEST(Pasteboard, DeclaringEmptiesAndSetsExactlyTheGivenTypes) {
  InMemoryPasteboard pb(u"test");
  int owner = 0;
  EXPECT_EQ(pb.declareTypes({NSStringPboardType, NSRTFPboardType}, &owner), 1);
  EXPECT_EQ(pb.owner(), &owner);
  EXPECT_TRUE(pb.setString(u"old", NSStringPboardType));
  EXPECT_FALSE(pb.setString(u"x", NSHTMLPboardType));  // not declared
  EXPECT_FALSE(pb.dataForType(NSHTMLPboardType));

  EXPECT_EQ(
      pb.declareTypes({NSRTFDPboardType, String(), NSStringPboardType, NSRTFDPboardType}, nullptr),
      2);
  EXPECT_EQ(pb.changeCount(), 2);
  EXPECT_EQ(pb.owner(), nullptr);
  EXPECT_EQ(test::textsOf(pb.types()),
            (std::vector<std::u16string>{std::u16string(NSRTFDPboardType),
                                         std::u16string(NSStringPboardType)}));
  // Declared again: the old string is gone, and no data until set.
  EXPECT_FALSE(pb.dataForType(NSStringPboardType));
  EXPECT_TRUE(pb.stringForType(NSStringPboardType).isNil());
  EXPECT_TRUE(pb.setData(Bytes{1, 2}, NSRTFDPboardType));
  EXPECT_TRUE(pb.setData(Bytes{3}, NSRTFDPboardType));
  EXPECT_EQ(pb.dataForType(NSRTFDPboardType), (Bytes{3}));

  pb.declareTypes({}, nullptr);
  EXPECT_TRUE(pb.types().empty());
}

// Type names match exactly, and the first asked-for type that is there wins.
TEST(Pasteboard, AvailableTypeFollowsTheAskedOrder) {
  InMemoryPasteboard pb(u"test");
  pb.declareTypes({NSStringPboardType, NSRTFPboardType, u"public.url"}, nullptr);
  EXPECT_EQ(pb.availableTypeFromArray({u"public.url", NSRTFPboardType}), String(u"public.url"));
  EXPECT_EQ(pb.availableTypeFromArray({String(), NSHTMLPboardType, NSStringPboardType}),
            String(NSStringPboardType));
  EXPECT_TRUE(pb.availableTypeFromArray({u"PUBLIC.URL", u"public.url ", NSHTMLPboardType}).isNil());
  EXPECT_TRUE(pb.availableTypeFromArray({}).isNil());
  EXPECT_FALSE(pb.setString(u"x", u"public.URL"));
  EXPECT_TRUE(pb.setString(u"x", String::withLatin1("public.url")));
}

class PasteboardStrings : public test::FormTest {};

TEST_P(PasteboardStrings, StringsTravelAsUtf8) {
  InMemoryPasteboard pb(u"test");
  pb.declareTypes({NSStringPboardType, NSTabularTextPboardType}, nullptr);
  const String text = make(
      u"Gr\xFC\xDF"
      u"e\tcaf\xE9\n");
  ASSERT_TRUE(pb.setString(text, NSStringPboardType));
  EXPECT_EQ(pb.dataForType(NSStringPboardType),
            (Bytes{'G', 'r', 0xC3, 0xBC, 0xC3, 0x9F, 'e', '\t', 'c', 'a', 'f', 0xC3, 0xA9, '\n'}));
  EXPECT_EQ(pb.stringForType(NSStringPboardType), text);
  EXPECT_EQ(pb.propertyListForType(NSStringPboardType).stringValue(), text);
  EXPECT_FALSE(pb.setString(String(), NSTabularTextPboardType));
  ASSERT_TRUE(pb.setData(Bytes{'a', 0xFF}, NSTabularTextPboardType));
  EXPECT_TRUE(pb.stringForType(NSTabularTextPboardType).isNil());
}

INSTANTIATE_FORMS(PasteboardStrings);

TEST(Pasteboard, PropertyListsTravelAsXml) {
  InMemoryPasteboard pb(u"test");
  pb.declareTypes({WebURLsWithTitlesPboardType, NSStringPboardType, NSFilenamesPboardType},
                  nullptr);
  const PropertyList links =
      Array{Array{u"https://a.example/", u"https://b.example/"}, Array{u"A", u"B"}};
  ASSERT_TRUE(pb.setPropertyList(links, WebURLsWithTitlesPboardType));
  EXPECT_EQ(pb.propertyListForType(WebURLsWithTitlesPboardType), links);
  const std::string xml = pb.stringForType(WebURLsWithTitlesPboardType).toUtf8();
  EXPECT_EQ(xml.rfind("<?xml", 0), 0u) << xml;

  // A list without XML form stores nothing.
  EXPECT_FALSE(pb.setPropertyList(Array{PropertyList()}, NSFilenamesPboardType));
  EXPECT_FALSE(pb.dataForType(NSFilenamesPboardType));
  EXPECT_FALSE(pb.setPropertyList(links, NSHTMLPboardType));

  ASSERT_TRUE(pb.setPropertyList(PropertyList(u"plain"), NSStringPboardType));
  EXPECT_EQ(pb.stringForType(NSStringPboardType), String(u"plain"));
  ASSERT_TRUE(pb.setData(Bytes{'<', 'x'}, NSFilenamesPboardType));
  EXPECT_TRUE(pb.propertyListForType(NSFilenamesPboardType).isNil());
}

class PasteboardRegistry : public ::testing::Test {
 protected:
  void TearDown() override { Pasteboard::setGeneralPasteboardFactory(nullptr); }
};

TEST_F(PasteboardRegistry, NamesGiveSharedInstances) {
  const auto general = Pasteboard::generalPasteboard();
  ASSERT_NE(general, nullptr);
  EXPECT_EQ(general->name(), String(NSGeneralPboard));
  EXPECT_EQ(Pasteboard::pasteboardWithName(NSGeneralPboard), general);
  const auto find = Pasteboard::pasteboardWithName(NSFindPboard);
  ASSERT_NE(find, nullptr);
  EXPECT_NE(find, general);
  EXPECT_EQ(Pasteboard::pasteboardWithName(String::withLatin1("Apple CFPasteboard find")), find);
  EXPECT_EQ(find->name(), String(NSFindPboard));
  EXPECT_EQ(Pasteboard::pasteboardWithName(String()), nullptr);
  EXPECT_EQ(Pasteboard::pasteboardWithName(u""), nullptr);
}

TEST_F(PasteboardRegistry, DesktopLayerInstallsTheGeneralPasteboard) {
  int calls = 0;
  const auto desktop = std::make_shared<InMemoryPasteboard>(String(NSGeneralPboard));
  Pasteboard::setGeneralPasteboardFactory([&] {
    ++calls;
    return desktop;
  });
  EXPECT_EQ(Pasteboard::generalPasteboard(), desktop);
  EXPECT_EQ(Pasteboard::pasteboardWithName(NSGeneralPboard), desktop);
  EXPECT_EQ(calls, 1);

  // A factory that cannot make one falls back to memory.
  Pasteboard::setGeneralPasteboardFactory([] { return std::shared_ptr<Pasteboard>(); });
  const auto fallback = Pasteboard::generalPasteboard();
  ASSERT_NE(fallback, nullptr);
  EXPECT_NE(fallback, desktop);
  EXPECT_EQ(fallback->name(), String(NSGeneralPboard));
}

}  // namespace
}  // namespace orvin
