// Feeds arbitrary bytes, in arbitrary pieces, to the OBEX response reader as
// a hostile server would send them, and checks that whatever it accepts is
// consistent and that accepted header blocks encode back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "service/obex/OBEXCodec.h"

using namespace wendlock;

namespace {

void checkHeadersRoundTrip(std::span<const std::uint8_t> block) {
  std::vector<OBEXHeader> headers;
  if (!OBEXParseHeaders(block, &headers)) return;
  OBEXBytes again;
  for (const OBEXHeader& h : headers) {
    OBEXHeaderDictionary one;
    if (OBEXAddHeader(h.identifier, h.value, &one) != kOBEXSuccess) std::abort();
    const std::optional<OBEXBytes> bytes = OBEXHeadersToBytes(&one);
    if (!bytes) std::abort();
    again.insert(again.end(), bytes->begin(), bytes->end());
  }
  if (again.size() != block.size() || !std::equal(again.begin(), again.end(), block.begin())) {
    std::abort();
  }
}

void checkResponse(std::span<const std::uint8_t> packet, bool isConnect,
                   OBEXMaxPacketLength limit) {
  OBEXResponse r;
  if (OBEXParseResponse(packet, isConnect, limit, &r) != kOBEXSuccess) return;
  if ((r.code & kOBEXFinalBit) == 0 || r.length != packet.size() || r.length > limit) std::abort();
  if (isConnect && r.code == kOBEXResponseCodeSuccessWithFinalBit &&
      r.maxPacketLength < kOBEXMinimumPacketLength) {
    std::abort();
  }
  for (const OBEXHeader& h : r.headers) {
    if (h.value.data() < packet.data() ||
        h.value.data() + h.value.size() > packet.data() + packet.size()) {
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // The first two bytes choose the limit and how the rest is cut into reads.
  const OBEXMaxPacketLength limit =
      static_cast<OBEXMaxPacketLength>(kOBEXMinimumPacketLength + data[0] * 251);
  const std::size_t piece = 1 + data[1] % 64;
  const std::span<const std::uint8_t> stream(data + 2, size - 2);

  checkHeadersRoundTrip(stream);

  OBEXResponseFramer framer(limit);
  std::size_t at = 0;
  bool first = true;
  while (at < stream.size()) {
    const std::size_t n = std::min(piece, stream.size() - at);
    const std::size_t taken = framer.feed(stream.subspan(at, n));
    if (taken > n) std::abort();
    at += taken;
    switch (framer.state()) {
      case OBEXResponseFramer::State::NeedMore:
        if (taken != n) std::abort();
        break;
      case OBEXResponseFramer::State::Malformed:
        return 0;
      case OBEXResponseFramer::State::Complete: {
        const std::span<const std::uint8_t> packet = framer.packet();
        if (packet.size() < 3 || packet.size() > limit) std::abort();
        if (((packet[1] << 8) | packet[2]) != static_cast<int>(packet.size())) std::abort();
        checkResponse(packet, first, limit);
        first = false;
        framer.reset(limit);
        break;
      }
    }
  }
  return 0;
}
