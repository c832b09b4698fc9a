#include "service/platform/gtk/PixbufImage.h"

#include <string>

namespace wendlock {

PixbufImage::PixbufImage(GdkPixbuf* pixbuf) : pixbuf_(GDK_PIXBUF(g_object_ref(pixbuf))) {}

PixbufImage::~PixbufImage() {
  g_object_unref(pixbuf_);
}

std::unique_ptr<PixbufImage> PixbufImage::fromFile(const char* path) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(path, nullptr);
  if (pixbuf == nullptr) return nullptr;
  auto image = std::make_unique<PixbufImage>(pixbuf);
  g_object_unref(pixbuf);
  return image;
}

std::optional<orvin::Bytes> PixbufImage::TIFFRepresentation(orvin::NSTIFFCompression compression,
                                                            float /*factor*/) const {
  const std::string scheme = std::to_string(static_cast<int>(compression));
  char* keys[] = {const_cast<char*>("compression"), nullptr};
  char* values[] = {const_cast<char*>(scheme.c_str()), nullptr};
  gchar* buffer = nullptr;
  gsize size = 0;
  GError* error = nullptr;
  if (!gdk_pixbuf_save_to_bufferv(pixbuf_, &buffer, &size, "tiff", keys, values, &error)) {
    g_clear_error(&error);
    return std::nullopt;
  }
  orvin::Bytes tiff(reinterpret_cast<const std::uint8_t*>(buffer),
                    reinterpret_cast<const std::uint8_t*>(buffer) + size);
  g_free(buffer);
  return tiff;
}

}  // namespace wendlock
