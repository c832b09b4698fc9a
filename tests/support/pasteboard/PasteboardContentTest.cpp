// Rich text, plain text and images on a pasteboard, and the extension of a
// pasteboard type.
#include "support/pasteboard/PasteboardContent.h"

#include <gtest/gtest.h>

#include <string>

#include "chars/PlatformException.h"

namespace orvin {
namespace {

// An image whose TIFF form is given; records what it was asked for.
class FakeImage : public Image {
 public:
  explicit FakeImage(std::optional<Bytes> tiff) : tiff_(std::move(tiff)) {}
  std::optional<Bytes> TIFFRepresentation(NSTIFFCompression compression,
                                          float factor) const override {
    asked = std::to_string(compression) + "/" + std::to_string(factor);
    return tiff_;
  }
  mutable std::string asked;

 private:
  std::optional<Bytes> tiff_;
};

// A pasteboard whose reads raise, as a desktop binding may.
class RaisingPasteboard : public InMemoryPasteboard {
 public:
  RaisingPasteboard() : InMemoryPasteboard(u"raising") {}
  std::optional<Bytes> dataForType(const String&) override {
    throw PlatformException(NSGenericException, "the owner went away");
  }
};

TEST(PasteboardContent, RichTextPrefersRtfdAndWritesWhatTheTextNeeds) {
  const AttributedString plain(u"Grüße");
  const AttributedString attached = AttributedString::withAttachment({u"a.txt", "hi"});
  InMemoryPasteboard pb(u"test");
  EXPECT_FALSE(attributedStringFromPasteboard(nullptr));
  ASSERT_TRUE(copyToPasteboard(plain, pb));
  EXPECT_EQ(pb.types(), std::vector<String>{String(NSRTFPboardType)});
  EXPECT_EQ(attributedStringFromPasteboard(&pb), plain);
  ASSERT_TRUE(copyToPasteboard(attached, pb));
  EXPECT_EQ(pb.types(), std::vector<String>{String(NSRTFDPboardType)});

  // Both offered: the RTFD is read, even when the RTF comes first.
  const Bytes rtfd = *pb.dataForType(NSRTFDPboardType);
  pb.declareTypes({NSRTFPboardType, NSRTFDPboardType}, nullptr);
  pb.setString(u"{\\rtf1 other}", NSRTFPboardType);
  pb.setData(rtfd, NSRTFDPboardType);
  EXPECT_EQ(attributedStringFromPasteboard(&pb), attached);
  // The RTFD declared without data: nothing, not the RTF.
  pb.declareTypes({NSRTFDPboardType, NSRTFPboardType}, nullptr);
  pb.setString(u"{\\rtf1 other}", NSRTFPboardType);
  EXPECT_FALSE(attributedStringFromPasteboard(&pb));
}

TEST(PasteboardContent, ReadersLogWhatTheyCatch) {
  RaisingPasteboard pb;
  pb.declareTypes({NSStringPboardType, NSRTFPboardType}, nullptr);
  const std::pair<const char*, std::function<bool()>> cases[] = {
      {"attributedStringFromPasteboard: (AttributedString)",
       [&] { return !attributedStringFromPasteboard(&pb); }},
      {"stringFromPasteboard: (String)", [&] { return stringFromPasteboard(&pb).isNil(); }},
  };
  for (const auto& [operation, readsNothing] : cases) {
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(readsNothing()) << operation;
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(
        log.find(std::string("] ") + operation + ":\nNSGenericException\nthe owner went away\n"),
        std::string::npos)
        << log;
  }
}

TEST(PasteboardContent, TextAndImages) {
  InMemoryPasteboard pb(u"test");
  pb.declareTypes({NSHTMLPboardType, NSTabularTextPboardType}, nullptr);
  pb.setString(u"a\tb", NSTabularTextPboardType);
  EXPECT_EQ(stringFromPasteboard(&pb), String(u"a\tb"));
  EXPECT_FALSE(copyToPasteboard(String(), pb));
  EXPECT_TRUE(copyToPasteboard(String(u"Grüße"), pb));
  EXPECT_EQ(stringFromPasteboard(&pb), String(u"Grüße"));

  const FakeImage none(std::nullopt);
  EXPECT_FALSE(copyToPasteboard(none, pb));
  EXPECT_EQ(none.asked, "5/1.000000");  // LZW, full quality
  EXPECT_EQ(pb.changeCount(), 2);       // untouched by both failures
  EXPECT_TRUE(copyToPasteboard(FakeImage(Bytes{'I', 'I', '*', 0}), pb));
  EXPECT_EQ(pb.types(), std::vector<String>{String(NSTIFFPboardType)});
  EXPECT_EQ(pb.dataForType(NSTIFFPboardType), (Bytes{'I', 'I', '*', 0}));
}

TEST(PasteboardContent, ExtensionsOfTypes) {
  const std::pair<String, const char*> cases[] = {
      {NSTIFFPboardType, "tiff"},
      {u"public.tiff", "tiff"},
      {u"public.jpeg-2000", "jp2"},
      {NSURLPboardType, "url"},
      {CorePasteboardFlavorTypeURL, "url"},
      {u"public.url", "url"},
      {AppleWebArchivePasteboardType, "webarchive"},  // the last row
      {u"text/uri-list", "url"},
      {u"image/png", "png"},
      {u"PUBLIC.URL", nullptr},
      {u"public.url ", nullptr},
      {u"text/plain;charset=utf-8", nullptr},
      {String(), nullptr},
  };
  for (const auto& [type, expected] : cases) {
    const String extension = fileTypeForPboardType(type);
    EXPECT_EQ(extension.isNil() ? "(nil)" : extension.toUtf8(), expected ? expected : "(nil)")
        << type;
  }
}

}  // namespace
}  // namespace orvin
