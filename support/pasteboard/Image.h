// Image: what the library needs of a picture, its TIFF form. The library
// holds no pixels itself; a desktop binding (gdk-pixbuf in the service)
// implements it over its own image type.
#pragma once

#include <optional>

#include "chars/Bytes.h"
#include "chars/Export.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// TIFF compression schemes, numbered as the TIFF Compression tag has them.
enum NSTIFFCompression : int {
  NSTIFFCompressionNone = 1,
  NSTIFFCompressionCCITTFAX3 = 3,
  NSTIFFCompressionCCITTFAX4 = 4,
  NSTIFFCompressionLZW = 5,
  NSTIFFCompressionJPEG = 6,
  NSTIFFCompressionNEXT = 32766,
  NSTIFFCompressionPackBits = 32773,
  NSTIFFCompressionOldJPEG = 32865,
};

// Every member is inline, so a desktop module that implements it needs no
// symbol of the library.
class Image {
 public:
  virtual ~Image() = default;

  // The picture as a TIFF file, compressed with `compression`; `factor`
  // (0 to 1) is the quality of lossy schemes and is ignored by the others.
  // nullopt when it cannot be produced (a scheme the binding lacks, no
  // memory).
  //   image.TIFFRepresentation(NSTIFFCompressionLZW, 1.0f)  // "II*\0..."
  [[nodiscard]] virtual std::optional<Bytes> TIFFRepresentation(NSTIFFCompression compression,
                                                                float factor) const = 0;
};

}  // namespace orvin
ORVIN_PUBLIC_END
