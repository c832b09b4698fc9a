// OBEX over Bluetooth: an RFCOMM socket to a device's Object Push channel,
// connected without blocking and handed to the OBEX session.
#pragma once

#include <cstdint>
#include <string_view>

#include "service/obex/OBEXSession.h"
#include "service/platform/ServiceRecord.h"

namespace wendlock {

// A non-blocking RFCOMM socket whose connect to `channel` (1 to 30) of the
// device at `address` has started: it turns writable when the connect is
// done either way. -1 with errno set when it cannot be made (EINVAL for bad
// arguments, EAFNOSUPPORT without Bluetooth in the kernel, ...).
//   const int fd = connectRFCOMMSocket("00:1A:7D:DA:71:13", 12);
[[nodiscard]] int connectRFCOMMSocket(std::string_view address, std::uint8_t channel);

// An OBEX session with the Object Push service `record` names: a Bluetooth
// record's channel, or the one an SDP query finds when the channel is 0.
// The query waits in the run loop (at most kSDPQueryTimeoutMilliseconds);
// the RFCOMM connect finishes after this returns, and a failure there
// arrives as the Connect event. kOBEXSuccess and *session set, or:
// kOBEXBadArgumentError (not a Bluetooth record, a bad address or channel),
// kOBEXSessionNoTransportError (no Bluetooth, the device cannot be reached),
// kOBEXUnsupportedError (the device has no Object Push service).
//   OBEXSessionRef s = nullptr;
//   createBluetoothObexSession(*ServiceRecord::parse("bt:00:1A:7D:DA:71:13"), &s);
[[nodiscard]] OBEXError createBluetoothObexSession(const ServiceRecord& record,
                                                   OBEXSessionRef* session);

}  // namespace wendlock
