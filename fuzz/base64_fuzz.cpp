// Decoding never crashes on any text, and whatever decodes encodes back to
// the same bytes; any bytes survive a round trip, padded or not.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "paths/Base64.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvin;
  const std::span<const std::uint8_t> bytes(data, size);
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  if (const auto decoded = base64Decode(text)) {
    if (base64Decode(base64Encode(*decoded)) != decoded) std::abort();
  }
  (void)decodedBase64Data(String::withLatin1(text));
  (void)decodebase64(String::withLatin1(text));

  if (base64Decode(base64Encode(bytes)) != Bytes(bytes.begin(), bytes.end())) std::abort();
  if (base64Decode(base64Encode(bytes, 0)) != Bytes(bytes.begin(), bytes.end())) std::abort();
  if (size != 0 && decodedBase64Data(encodedBase64Data(bytes)) != Bytes(bytes.begin(), bytes.end()))
    std::abort();
  return 0;
}
