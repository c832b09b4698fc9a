// The library's Image over a GdkPixbuf, so that the desktop's pictures can
// go on a pasteboard as TIFF (orvin::copyToPasteboard).
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <memory>
#include <optional>

#include "support/pasteboard/Image.h"

namespace wendlock {

class PixbufImage final : public orvin::Image {
 public:
  // Holds a reference to `pixbuf`, which must not be null.
  //   PixbufImage image(gtk_clipboard_wait_for_image(clipboard));
  explicit PixbufImage(GdkPixbuf* pixbuf);
  ~PixbufImage() override;
  PixbufImage(const PixbufImage&) = delete;
  PixbufImage& operator=(const PixbufImage&) = delete;

  // The picture from an image file gdk-pixbuf reads; nullptr when it cannot.
  //   auto image = PixbufImage::fromFile("/usr/share/pixmaps/debian-logo.png");
  [[nodiscard]] static std::unique_ptr<PixbufImage> fromFile(const char* path);

  // gdk-pixbuf's TIFF writer with `compression` as the TIFF scheme; nullopt
  // for a scheme libtiff cannot write (NeXT, for one). gdk-pixbuf
  // takes no quality for TIFF, so `factor` is not used.
  [[nodiscard]] std::optional<orvin::Bytes> TIFFRepresentation(orvin::NSTIFFCompression compression,
                                                               float factor) const override;

  [[nodiscard]] GdkPixbuf* pixbuf() const noexcept { return pixbuf_; }

 private:
  GdkPixbuf* pixbuf_;
};

}  // namespace wendlock
