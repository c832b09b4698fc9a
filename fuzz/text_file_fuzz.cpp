// Drives the text-file reader's decoding over arbitrary file content: the
// first byte picks the encoding request, the rest is the file.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "chars/TextEncodings.h"
#include "chars/internal/TextFileDecoding.h"

using namespace orvin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static constexpr NSUInteger kRequests[] = {0,
                                             0xFFFFFFF0u,
                                             ~NSUInteger{0},
                                             NSASCIIStringEncoding,
                                             NSUTF8StringEncoding,
                                             NSUnicodeStringEncoding,
                                             NSUTF32StringEncoding,
                                             NSShiftJISStringEncoding,
                                             NSISO2022JPStringEncoding,
                                             NSNEXTSTEPStringEncoding,
                                             0xFFFFFFEFu};
  const NSUInteger request = kRequests[data[0] % (sizeof kRequests / sizeof kRequests[0])];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  NSUInteger used = 0;
  const String text = detail::stringWithFileBytes(&bytes, request, &used);
  // Detection that settles on ASCII has read only ASCII.
  if (!text.isNil() && used == NSASCIIStringEncoding) {
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) >= 0x80) std::abort();
    }
  }
  // Text read as UTF-8 without a mark writes back to the same bytes.
  if (!text.isNil() && used == NSUTF8StringEncoding && !bytes.starts_with("\xEF\xBB\xBF")) {
    const auto again = bytesOfString(text, NSUTF8StringEncoding);
    if (!again || *again != bytes) std::abort();
  }
  return 0;
}
