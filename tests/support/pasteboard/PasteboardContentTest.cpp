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
  TextAttributes bold;
  bold.bold = true;
  const AttributedString plain(u"Grüße", bold);
  const AttributedString attached = AttributedString::withAttachment({u"a.txt", "hi"});
  InMemoryPasteboard pb(u"test");
  EXPECT_FALSE(attributedStringFromPasteboard(nullptr));
  EXPECT_FALSE(attributedStringFromPasteboard(&pb));

  ASSERT_TRUE(copyToPasteboard(plain, pb));
  EXPECT_EQ(pb.types(), std::vector<String>{String(NSRTFPboardType)});
  EXPECT_EQ(attributedStringFromPasteboard(&pb), plain);
  ASSERT_TRUE(copyToPasteboard(attached, pb));
  EXPECT_EQ(pb.types(), std::vector<String>{String(NSRTFDPboardType)});
  EXPECT_EQ(attributedStringFromPasteboard(&pb), attached);

  // Both offered: the RTFD is read, even when the RTF comes first.
  const Bytes rtfd = *pb.dataForType(NSRTFDPboardType);
  pb.declareTypes({NSRTFPboardType, NSRTFDPboardType}, nullptr);
  pb.setString(u"{\\rtf1 other}", NSRTFPboardType);
  pb.setData(rtfd, NSRTFDPboardType);
  EXPECT_EQ(attributedStringFromPasteboard(&pb), attached);
  // Declared without data, or data that is no rich text: nothing.
  pb.declareTypes({NSRTFDPboardType, NSRTFPboardType}, nullptr);
  pb.setString(u"{\\rtf1 other}", NSRTFPboardType);
  EXPECT_FALSE(attributedStringFromPasteboard(&pb));
  pb.declareTypes({NSRTFPboardType}, nullptr);
  pb.setString(u"plain", NSRTFPboardType);
  EXPECT_FALSE(attributedStringFromPasteboard(&pb));
}

TEST(PasteboardContent, ReadersLogWhatTheyCatch) {
  RaisingPasteboard pb;
  pb.declareTypes({NSStringPboardType, NSRTFPboardType}, nullptr);
  struct Case {
    const char* operation;
    std::function<bool()> readsNothing;
  };
  const Case cases[] = {
      {"attributedStringFromPasteboard: (AttributedString)",
       [&] { return !attributedStringFromPasteboard(&pb); }},
      {"stringFromPasteboard: (String)", [&] { return stringFromPasteboard(&pb).isNil(); }},
  };
  for (const Case& c : cases) {
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(c.readsNothing()) << c.operation;
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(
        log.find(std::string("] ") + c.operation + ":\nNSGenericException\nthe owner went away\n"),
        std::string::npos)
        << log;
  }
}

TEST(PasteboardContent, TextAndImages) {
  InMemoryPasteboard pb(u"test");
  EXPECT_TRUE(stringFromPasteboard(nullptr).isNil());
  pb.declareTypes({NSHTMLPboardType, NSTabularTextPboardType}, nullptr);
  pb.setString(u"<b>html</b>", NSHTMLPboardType);
  pb.setString(u"a\tb", NSTabularTextPboardType);
  EXPECT_EQ(stringFromPasteboard(&pb), String(u"a\tb"));

  EXPECT_FALSE(copyToPasteboard(String(), pb));
  EXPECT_EQ(pb.changeCount(), 1);
  EXPECT_TRUE(copyToPasteboard(String(u"Grüße"), pb));
  EXPECT_EQ(pb.types(), std::vector<String>{String(NSStringPboardType)});
  EXPECT_EQ(stringFromPasteboard(&pb), String(u"Grüße"));

  const FakeImage none(std::nullopt);
  EXPECT_FALSE(copyToPasteboard(none, pb));
  EXPECT_EQ(pb.changeCount(), 2);  // untouched
  EXPECT_EQ(none.asked, "5/1.000000");
  const FakeImage image(Bytes{'I', 'I', '*', 0});
  EXPECT_TRUE(copyToPasteboard(image, pb));
  EXPECT_EQ(pb.types(), std::vector<String>{String(NSTIFFPboardType)});
  EXPECT_EQ(pb.dataForType(NSTIFFPboardType), (Bytes{'I', 'I', '*', 0}));
}

TEST(PasteboardContent, ExtensionsOfTypes) {
  struct Case {
    String type;
    const char* extension;  // nullptr: nil
  };
  const Case cases[] = {
      {NSTIFFPboardType, "tiff"},
      {u"public.tiff", "tiff"},
      {ApplePNGPasteboardType, "png"},
      {u"public.jpeg-2000", "jp2"},
      {u"public.jpeg", "jpeg"},
      {NSPostScriptPboardType, "ps"},
      {NSRTFDPboardType, "rtfd"},
      {NSTabularTextPboardType, "csv"},
      {NSVCardPboardType, "vcf"},
      {NSURLPboardType, "url"},
      {CorePasteboardFlavorTypeURL, "url"},
      {u"public.url", "url"},
      {AppleWebArchivePasteboardType, "webarchive"},
      {u"text/plain", "txt"},
      {u"text/rtf", "rtf"},
      {u"text/html", "html"},
      {u"text/uri-list", "url"},
      {u"image/png", "png"},
      {u"PUBLIC.URL", nullptr},
      {u"public.url ", nullptr},
      {u"public.ur", nullptr},
      {u"text/plain;charset=utf-8", nullptr},
      {CorePasteboardFlavorTypeURLName, nullptr},
      {u"", nullptr},
      {String(), nullptr},
  };
  for (const Case& c : cases) {
    const String extension = fileTypeForPboardType(c.type);
    EXPECT_EQ(extension.isNil() ? "(nil)" : extension.toUtf8(), c.extension ? c.extension : "(nil)")
        << c.type;
  }
}

}  // namespace
}  // namespace orvin
