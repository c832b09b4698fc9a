// Finding a device's Object Push channel with an SDP query (libbluetooth).
// The query is asynchronous: its socket is watched by the thread's GLib main
// context, and the caller waits in a nested iteration of that context, so
// windows, timers and other sockets keep being served while the device is
// paged and answers. The wait is bounded.
#pragma once

#include <bluetooth/bluetooth.h>
#include <bluetooth/sdp.h>
#include <bluetooth/sdp_lib.h>

#include <cstdint>
#include <string_view>

#include "service/obex/OBEXTypes.h"

namespace wendlock {

// Paging a device in range takes up to about five seconds; the answer is a
// few small packets after that.
inline constexpr unsigned kSDPQueryTimeoutMilliseconds = 15000;

// Asks the device at `address` ("AA:BB:CC:DD:EE:FF") for its Object Push
// service and answers the service's RFCOMM channel in *channel.
// kOBEXSuccess; kOBEXBadArgumentError for a malformed, wildcard or local
// address; kOBEXSessionNoTransportError when the device cannot be asked (no
// Bluetooth here, out of range, no answer in time, a malformed answer);
// kOBEXUnsupportedError when it answered without a usable Object Push record.
//   std::uint8_t channel = 0;
//   if (findObjectPushChannel("00:1A:7D:DA:71:13", &channel) == kOBEXSuccess) ...
[[nodiscard]] OBEXError findObjectPushChannel(
    std::string_view address, std::uint8_t* channel,
    unsigned timeoutMilliseconds = kSDPQueryTimeoutMilliseconds);

// The query itself, over an SDP session whose socket is connected or still
// connecting; results as above. Takes the session and closes it. Tests give
// it a session made with sdp_create on one end of a socket pair.
//   queryObjectPushChannel(sdp_create(fd, 0), &channel, 1000)
[[nodiscard]] OBEXError queryObjectPushChannel(sdp_session_t* session, std::uint8_t* channel,
                                               unsigned timeoutMilliseconds);

// The address as libbluetooth holds it; false for anything but six
// colon-separated hex pairs, and for 00:00:00:00:00:00 (any device) and
// FF:FF:FF:00:00:00 (libbluetooth's name for the local SDP server), which
// name no remote device.
//   parseRemoteAddress("00:1A:7D:DA:71:13", &bdaddr) == true
[[nodiscard]] bool parseRemoteAddress(std::string_view address, bdaddr_t* out);

}  // namespace wendlock
