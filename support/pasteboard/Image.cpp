#include "support/pasteboard/Image.h"

namespace orvin {

// Anchors the vtable in the library.
Image::~Image() = default;

}  // namespace orvin
