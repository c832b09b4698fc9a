// The OBEX client session: Connect, Put, Disconnect over a transport whose
// socket is watched by the GLib main context (the run loop). Requests return
// at once; each answer arrives later as an event passed to the callback
// given with the request, on the main context the session was created on.
//
// Rules the caller can rely on:
//  - One request at a time: a request made while another is outstanding
//    returns kOBEXSessionBusyError and changes nothing.
//  - Every request that returned kOBEXSuccess gets exactly one event, unless
//    the session is deleted first, and never from inside the request call.
//  - An event either carries the server's response code (status
//    kOBEXSuccess) or, when no answer could come (transport closed or
//    failed, a malformed or oversized response, unsolicited bytes), the code
//    kOBEXResponseCodeNone with a non-zero status. Either way a caller that
//    only looks for Success or Continue treats it as a failure. After such a
//    failure the transport stays closed.
//  - A server that stays silent gets no event; the caller's own time-out
//    ends the wait, and OBEXSessionDelete is safe while a request is
//    outstanding.
//  - OBEXSessionDelete may be called from inside a callback.
//  - A callback must not wait in a nested loop for this session's next
//    event: the session's events are not delivered while one of its
//    callbacks runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "service/obex/OBEXTransport.h"
#include "service/obex/OBEXTypes.h"

namespace wendlock {

struct OBEXSession;
using OBEXSessionRef = OBEXSession*;

enum OBEXSessionEventType : std::uint32_t {
  kOBEXSessionEventTypeConnectCommandResponseReceived = 1,
  kOBEXSessionEventTypeDisconnectCommandResponseReceived = 2,
  kOBEXSessionEventTypePutCommandResponseReceived = 3,
};

struct OBEXSessionEvent {
  // The request this event answers.
  OBEXSessionEventType type = kOBEXSessionEventTypeConnectCommandResponseReceived;
  OBEXSessionRef session = nullptr;
  // The user reference given with the request.
  void* userRef = nullptr;
  // The server's response code, final bit included; kOBEXResponseCodeNone
  // when there was no answer.
  std::uint8_t responseCode = kOBEXResponseCodeNone;
  // kOBEXSuccess when the server answered; otherwise why it could not.
  OBEXError status = kOBEXSuccess;
  // Connect responses: the server's version, flags and maximum packet
  // length (0 when it did not send them).
  std::uint8_t version = 0;
  std::uint8_t flags = 0;
  OBEXMaxPacketLength maxPacketLength = 0;
  // The response's header bytes; valid during the callback only.
  std::span<const std::uint8_t> headers;
};

using OBEXSessionEventCallback = void (*)(const OBEXSessionEvent* event);

// Makes a session over `transport`, which it opens on the first Connect.
// Events are delivered on the thread-default main context of the calling
// thread. kOBEXBadArgumentError without a transport.
//   OBEXSessionRef s = nullptr;
//   OBEXSessionCreateWithTransport(std::make_unique<OBEXSocketTransport>(fd), &s);
[[nodiscard]] OBEXError OBEXSessionCreateWithTransport(std::unique_ptr<OBEXTransport> transport,
                                                       OBEXSessionRef* session);

// Makes a session with an OBEX server over TCP. `host` must be a numeric
// address or "localhost" (kOBEXBadArgumentError otherwise, as for port 0).
//   OBEXSessionCreateWithTCP("127.0.0.1", kOBEXTCPDefaultPort, &s);
[[nodiscard]] OBEXError OBEXSessionCreateWithTCP(std::string_view host, std::uint16_t port,
                                                 OBEXSessionRef* session);

// Opens the transport if needed and sends Connect, announcing
// `maxPacketLength` (at least 255) as the largest packet we accept, with
// optional `headers` (encoded header bytes). The connect event's response
// code 0xA0 means connected; the negotiated length is then the smaller of
// ours and the server's. kOBEXSessionAlreadyConnectedError when connected;
// kOBEXSessionTransportDiedError when the transport has failed before.
// A transport that cannot be opened is reported by the event.
//   OBEXSessionConnect(s, 0, 512, nullptr, 0, ConnectedCallback, self);
[[nodiscard]] OBEXError OBEXSessionConnect(OBEXSessionRef session, OBEXFlags flags,
                                           OBEXMaxPacketLength maxPacketLength, const void* headers,
                                           std::size_t headersLength,
                                           OBEXSessionEventCallback callback, void* userRef);

// The negotiated maximum packet length; kOBEXSessionNotConnectedError
// unless connected.
//   OBEXMaxPacketLength len; if (OBEXSessionGetMaxPacketLength(s, &len) == 0) ...
[[nodiscard]] OBEXError OBEXSessionGetMaxPacketLength(OBEXSessionRef session,
                                                      OBEXMaxPacketLength* length);

// Room for headers and body in one command packet of `opCode`, counted so
// that headers plus body of exactly this size make a packet of the
// negotiated length. Put (0x02 or 0x82): negotiated length - 3 (opcode and
// packet length) - 3 (the Body or End-of-Body header's identifier and
// length). Disconnect (0x81): negotiated length - 3. Other operations:
// kOBEXUnsupportedError. kOBEXSessionNotConnectedError unless connected.
//   negotiated 512: OBEXSessionGetAvailableCommandPayloadLength(s, 0x02, &n) gives n == 506
[[nodiscard]] OBEXError OBEXSessionGetAvailableCommandPayloadLength(OBEXSessionRef session,
                                                                    OBEXOpCode opCode,
                                                                    OBEXMaxPacketLength* length);

// Sends one Put packet: `headers` (encoded header bytes, may be none), then
// `body` in a Body header, or in an End-of-Body header when `isFinal` (the
// packet's opcode is then 0x82). kOBEXBadArgumentError when the headers are
// malformed or the packet would exceed the negotiated length (see
// OBEXPutPacketLength); kOBEXSessionNotConnectedError unless connected.
//   OBEXSessionPut(s, true, hdr.data(), hdr.size(), data, n, PutCallback, self);
[[nodiscard]] OBEXError OBEXSessionPut(OBEXSessionRef session, bool isFinal, const void* headers,
                                       std::size_t headersLength, const void* body,
                                       std::size_t bodyLength, OBEXSessionEventCallback callback,
                                       void* userRef);

// Ends the OBEX connection: sends Disconnect (with optional `headers`) and
// closes the transport when the server answers. When the server has
// answered a Connect but no connection is left to end (it refused, or the
// transport failed since), the transport is closed and the event still
// comes, with a non-zero status. Before any Connect answer:
// kOBEXSessionNotConnectedError and no event.
//   OBEXSessionDisconnect(s, nullptr, 0, DisconnectedCallback, self);
[[nodiscard]] OBEXError OBEXSessionDisconnect(OBEXSessionRef session, const void* headers,
                                              std::size_t headersLength,
                                              OBEXSessionEventCallback callback, void* userRef);

// Closes the transport and frees the session; an outstanding request gets
// no event. Safe at any time, inside a callback too.
//   OBEXSessionDelete(s); s = nullptr;
OBEXError OBEXSessionDelete(OBEXSessionRef session);

}  // namespace wendlock
