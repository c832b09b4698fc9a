// Desktop pictures as TIFF: gdk-pixbuf's writer in the scheme asked for,
// read back to the same pixels, and on the clipboard for other programs.
#include "service/platform/gtk/PixbufImage.h"

#include <gtest/gtest.h>

#include <string>

#include "DesktopTestSupport.h"
#include "service/platform/gtk/GtkPasteboard.h"
#include "support/pasteboard/PasteboardContent.h"

namespace wendlock {
namespace {

using orvin::Bytes;

// A 3 x 2 RGB picture with a different colour in every pixel.
GdkPixbuf* testPixbuf() {
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 3, 2);
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 9; ++x) pixels[y * stride + x] = static_cast<guchar>(40 * y + 7 * x + 1);
  }
  return pixbuf;
}

// The colours, row by row (the TIFF reader adds an opaque alpha channel).
std::string pixelsOf(GdkPixbuf* pixbuf) {
  std::string out;
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  for (int y = 0; y < gdk_pixbuf_get_height(pixbuf); ++y) {
    for (int x = 0; x < gdk_pixbuf_get_width(pixbuf); ++x) {
      out.append(reinterpret_cast<const char*>(pixels) + y * stride + x * channels, 3);
    }
  }
  return out;
}

// The Compression tag (259) of the first image of a TIFF, or -1.
int compressionOf(const Bytes& tiff) {
  if (tiff.size() < 8) return -1;
  const bool little = tiff[0] == 'I';
  const auto read = [&](std::size_t at, int width) {
    std::uint32_t v = 0;
    for (int i = 0; i < width; ++i) {
      v |= std::uint32_t{tiff.at(at + (little ? i : width - 1 - i))} << (8 * i);
    }
    return v;
  };
  const std::size_t ifd = read(4, 4);
  for (std::uint32_t i = 0, n = read(ifd, 2); i < n; ++i) {
    const std::size_t entry = ifd + 2 + 12 * i;
    if (read(entry, 2) == 259) return static_cast<int>(read(entry + 8, 2));
  }
  return -1;
}

std::string pixelsOfTiff(const Bytes& tiff) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("tiff", nullptr);
  std::string pixels;
  if (gdk_pixbuf_loader_write(loader, tiff.data(), tiff.size(), nullptr) &&
      gdk_pixbuf_loader_close(loader, nullptr)) {
    pixels = pixelsOf(gdk_pixbuf_loader_get_pixbuf(loader));
  }
  g_object_unref(loader);
  return pixels;
}

TEST(PixbufImage, TiffInTheSchemeAskedForWithThePixels) {
  GdkPixbuf* pixbuf = testPixbuf();
  const PixbufImage image(pixbuf);
  const std::string pixels = pixelsOf(pixbuf);
  g_object_unref(pixbuf);  // the image keeps its own reference

  struct Case {
    orvin::NSTIFFCompression compression;
    bool written;
  };
  const Case cases[] = {
      {orvin::NSTIFFCompressionNone, true},
      {orvin::NSTIFFCompressionLZW, true},
      {orvin::NSTIFFCompressionPackBits, true},
      {orvin::NSTIFFCompressionNEXT, false},  // libtiff reads it only
  };
  for (const Case& c : cases) {
    const std::optional<Bytes> tiff = image.TIFFRepresentation(c.compression, 1.0f);
    ASSERT_EQ(tiff.has_value(), c.written) << c.compression;
    if (!tiff) continue;
    EXPECT_EQ(compressionOf(*tiff), c.compression);
    EXPECT_EQ(pixelsOfTiff(*tiff), pixels) << c.compression;
  }
  EXPECT_FALSE(PixbufImage::fromFile("/nonexistent.png"));
}

TEST(PixbufImage, OnTheClipboardAsImageTiff) {
  REQUIRE_DISPLAY();
  GdkPixbuf* pixbuf = testPixbuf();
  const PixbufImage image(pixbuf);
  g_object_unref(pixbuf);
  const auto clipboard = desktopPasteboard(DesktopSelection::Clipboard);
  ASSERT_TRUE(clipboard);
  ASSERT_TRUE(orvin::copyToPasteboard(image, *clipboard));
  const std::optional<std::string> read = desktoptest::readWithXclip("clipboard", "image/tiff");
  ASSERT_TRUE(read);
  const Bytes tiff(read->begin(), read->end());
  EXPECT_EQ(compressionOf(tiff), orvin::NSTIFFCompressionLZW);
  EXPECT_EQ(pixelsOfTiff(tiff), pixelsOf(image.pixbuf()));
}

}  // namespace
}  // namespace wendlock
