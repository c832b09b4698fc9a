#include "service/obex/OBEXSession.h"

#include <glib-unix.h>
#include <glib.h>

#include <algorithm>
#include <new>
#include <utility>

#include "service/obex/OBEXCodec.h"

namespace wendlock {

struct OBEXSession {
  enum class Link { NotOpened, Opening, Up, Down };
  enum class Request { None, Connect, Put, Disconnect };

  std::unique_ptr<OBEXTransport> transport;
  GMainContext* context = nullptr;
  GSource* source = nullptr;
  gpointer fdTag = nullptr;

  Link link = Link::NotOpened;
  bool linkFailed = false;       // the link went down by a failure, not by Disconnect
  bool connectAnswered = false;  // the server has answered a Connect, either way
  bool connected = false;
  OBEXMaxPacketLength requestedMax = 0;
  OBEXMaxPacketLength negotiatedMax = 0;

  Request request = Request::None;
  OBEXSessionEventCallback callback = nullptr;
  void* userRef = nullptr;
  // An answer made here rather than by the server, delivered on the next
  // turn of the loop so that no event comes from inside a request call.
  bool localAnswerPending = false;
  OBEXError localStatus = kOBEXSuccess;

  OBEXBytes out;
  std::size_t outSent = 0;
  OBEXResponseFramer framer;

  int dispatchDepth = 0;
  bool deleted = false;
};

namespace {

using Link = OBEXSession::Link;
using Request = OBEXSession::Request;

struct SessionSource {
  GSource base;
  OBEXSession* session;
};

// Enough for a typical response in one read; longer ones take more turns.
constexpr std::size_t kReadChunk = 4096;

gboolean dispatchSession(GSource* source, GSourceFunc, gpointer);

GSourceFuncs gSessionSourceFuncs = {nullptr, nullptr, dispatchSession, nullptr, nullptr, nullptr};

void updateWatch(OBEXSession* s) {
  if (s->fdTag == nullptr) return;
  int conditions = 0;
  if (s->link == Link::Opening) {
    conditions = G_IO_OUT;
  } else if (s->link == Link::Up) {
    conditions = G_IO_IN | (s->outSent < s->out.size() ? G_IO_OUT : 0);
  }
  g_source_modify_unix_fd(s->source, s->fdTag, static_cast<GIOCondition>(conditions));
}

void closeLink(OBEXSession* s) {
  if (s->fdTag != nullptr) g_source_remove_unix_fd(s->source, s->fdTag);
  s->fdTag = nullptr;
  s->transport->close();
  s->link = Link::Down;
  s->connected = false;
  s->out.clear();
  s->outSent = 0;
  s->framer.reset(0xFFFF);
}

// Delivers the event that ends the outstanding request. Runs only inside the
// session's dispatch, so a Delete from the callback is deferred.
void answer(OBEXSession* s, OBEXError status, const OBEXResponse* response) {
  OBEXSessionEvent event;
  switch (s->request) {
    case Request::None:
      return;
    case Request::Connect:
      event.type = kOBEXSessionEventTypeConnectCommandResponseReceived;
      break;
    case Request::Put:
      event.type = kOBEXSessionEventTypePutCommandResponseReceived;
      break;
    case Request::Disconnect:
      event.type = kOBEXSessionEventTypeDisconnectCommandResponseReceived;
      break;
  }
  event.session = s;
  event.userRef = s->userRef;
  event.status = status;
  if (response != nullptr) {
    event.responseCode = response->code;
    event.version = response->version;
    event.flags = response->flags;
    event.maxPacketLength = response->maxPacketLength;
    event.headers = response->headerBytes;
  }
  const OBEXSessionEventCallback callback = s->callback;
  // The callback may start the next request at once.
  s->request = Request::None;
  s->callback = nullptr;
  s->userRef = nullptr;
  callback(&event);
}

void fail(OBEXSession* s, OBEXError status) {
  closeLink(s);
  s->linkFailed = true;
  answer(s, status, nullptr);
}

void scheduleLocalAnswer(OBEXSession* s, OBEXError status) {
  s->localAnswerPending = true;
  s->localStatus = status;
  g_source_set_ready_time(s->source, 0);
}

void startRequest(OBEXSession* s, Request request, OBEXBytes packet,
                  OBEXSessionEventCallback callback, void* userRef) {
  s->request = request;
  s->callback = callback;
  s->userRef = userRef;
  s->out = std::move(packet);
  s->outSent = 0;
  s->framer.reset(request == Request::Connect ? s->requestedMax : s->negotiatedMax);
  updateWatch(s);
}

void flush(OBEXSession* s) {
  while (s->outSent < s->out.size()) {
    std::size_t written = 0;
    const OBEXError status =
        s->transport->send(s->out.data() + s->outSent, s->out.size() - s->outSent, &written);
    if (status != kOBEXSuccess) return fail(s, status);
    if (written == 0) break;
    s->outSent += written;
  }
  updateWatch(s);
}

// A whole response packet has arrived for the outstanding request.
void handleResponse(OBEXSession* s) {
  const bool isConnect = s->request == Request::Connect;
  // The framer is reset before the callback, which may send the next request.
  const OBEXBytes packet(s->framer.packet().begin(), s->framer.packet().end());
  OBEXResponse response;
  const OBEXError parsed = OBEXParseResponse(
      packet, isConnect, isConnect ? s->requestedMax : s->negotiatedMax, &response);
  if (parsed != kOBEXSuccess) return fail(s, parsed);

  s->out.clear();
  s->outSent = 0;
  s->framer.reset(s->negotiatedMax);
  if (isConnect) {
    s->connectAnswered = true;
    if (response.code == kOBEXResponseCodeSuccessWithFinalBit) {
      s->connected = true;
      s->negotiatedMax = std::min(s->requestedMax, response.maxPacketLength);
    }
  } else if (s->request == Request::Disconnect) {
    closeLink(s);
  }
  updateWatch(s);
  answer(s, kOBEXSuccess, &response);
}

void readAvailable(OBEXSession* s, GIOCondition revents) {
  std::uint8_t buffer[kReadChunk];
  std::size_t received = 0;
  const OBEXError status = s->transport->receive(buffer, sizeof buffer, &received);
  if (status != kOBEXSuccess) return fail(s, status);
  if (received == 0) {
    // Nothing to read although the peer hung up or the socket failed.
    if (revents & (G_IO_HUP | G_IO_ERR)) fail(s, kOBEXSessionTransportDiedError);
    return;
  }
  // OBEX answers requests only: bytes with no request outstanding are not ours.
  if (s->request == Request::None) return fail(s, kOBEXSessionBadResponseError);
  const std::size_t taken = s->framer.feed(std::span<const std::uint8_t>(buffer, received));
  switch (s->framer.state()) {
    case OBEXResponseFramer::State::NeedMore:
      return;
    case OBEXResponseFramer::State::Malformed:
      return fail(s, kOBEXSessionBadResponseError);
    case OBEXResponseFramer::State::Complete:
      // An answer before the whole request went out, or a second packet
      // behind it, answers nothing we asked.
      if (taken < received || s->outSent < s->out.size()) {
        return fail(s, kOBEXSessionBadResponseError);
      }
      return handleResponse(s);
  }
}

void step(OBEXSession* s, GSource* source) {
  if (s->localAnswerPending) {
    g_source_set_ready_time(source, -1);
    s->localAnswerPending = false;
    answer(s, s->localStatus, nullptr);
    if (s->deleted) return;
  }
  if (s->fdTag == nullptr) return;
  const GIOCondition revents = g_source_query_unix_fd(source, s->fdTag);
  if (revents == 0) return;
  if (s->link == Link::Opening) {
    const OBEXError status = s->transport->finishOpen();
    if (status != kOBEXSuccess) return fail(s, status);
    s->link = Link::Up;
    return flush(s);
  }
  if (revents & (G_IO_IN | G_IO_HUP | G_IO_ERR)) {
    readAvailable(s, revents);
    if (s->deleted || s->link != Link::Up) return;
  }
  if (revents & G_IO_OUT) flush(s);
}

void destroySession(OBEXSession* s) {
  reinterpret_cast<SessionSource*>(s->source)->session = nullptr;
  g_source_destroy(s->source);
  g_source_unref(s->source);
  g_main_context_unref(s->context);
  delete s;
}

gboolean dispatchSession(GSource* source, GSourceFunc, gpointer) {
  OBEXSession* s = reinterpret_cast<SessionSource*>(source)->session;
  if (s == nullptr) return G_SOURCE_REMOVE;
  ++s->dispatchDepth;
  try {
    step(s, source);
  } catch (const std::bad_alloc&) {
    if (!s->deleted) fail(s, kOBEXNoResourcesError);
  }
  --s->dispatchDepth;
  if (s->deleted && s->dispatchDepth == 0) {
    destroySession(s);
    return G_SOURCE_REMOVE;
  }
  return G_SOURCE_CONTINUE;
}

bool validHeaders(const void* headers, std::size_t length) {
  if (length == 0) return true;
  if (headers == nullptr) return false;
  return OBEXParseHeaders(std::span(static_cast<const std::uint8_t*>(headers), length), nullptr);
}

std::span<const std::uint8_t> bytesOf(const void* p, std::size_t length) {
  if (length == 0) return {};
  return std::span(static_cast<const std::uint8_t*>(p), length);
}

}  // namespace

OBEXError OBEXSessionCreateWithTransport(std::unique_ptr<OBEXTransport> transport,
                                         OBEXSessionRef* session) {
  if (session == nullptr) return kOBEXBadArgumentError;
  *session = nullptr;
  if (!transport) return kOBEXBadArgumentError;
  auto* s = new (std::nothrow) OBEXSession;
  if (s == nullptr) return kOBEXNoResourcesError;
  s->transport = std::move(transport);
  s->context = g_main_context_ref_thread_default();
  s->source = g_source_new(&gSessionSourceFuncs, sizeof(SessionSource));
  reinterpret_cast<SessionSource*>(s->source)->session = s;
  g_source_set_name(s->source, "OBEX session");
  g_source_attach(s->source, s->context);
  *session = s;
  return kOBEXSuccess;
}

OBEXError OBEXSessionCreateWithTCP(std::string_view host, std::uint16_t port,
                                   OBEXSessionRef* session) {
  if (session == nullptr) return kOBEXBadArgumentError;
  *session = nullptr;
  if (port == 0 || !OBEXTCPTransport::isUsableHost(host)) return kOBEXBadArgumentError;
  try {
    return OBEXSessionCreateWithTransport(
        std::make_unique<OBEXTCPTransport>(std::string(host), port), session);
  } catch (const std::bad_alloc&) {
    return kOBEXNoResourcesError;
  }
}

OBEXError OBEXSessionConnect(OBEXSessionRef s, OBEXFlags flags, OBEXMaxPacketLength maxPacketLength,
                             const void* headers, std::size_t headersLength,
                             OBEXSessionEventCallback callback, void* userRef) {
  if (s == nullptr || s->deleted || callback == nullptr) return kOBEXBadArgumentError;
  if (s->request != Request::None) return kOBEXSessionBusyError;
  if (s->connected) return kOBEXSessionAlreadyConnectedError;
  if (s->link == Link::Down) return kOBEXSessionTransportDiedError;
  if (maxPacketLength < kOBEXMinimumPacketLength || !validHeaders(headers, headersLength)) {
    return kOBEXBadArgumentError;
  }
  try {
    std::optional<OBEXBytes> packet =
        OBEXMakeConnectPacket(flags, maxPacketLength, bytesOf(headers, headersLength));
    if (!packet) return kOBEXBadArgumentError;
    s->requestedMax = maxPacketLength;
    if (s->link == Link::NotOpened) {
      const OBEXError opened = s->transport->open();
      if (opened != kOBEXSuccess) {
        closeLink(s);
        s->linkFailed = true;
        startRequest(s, Request::Connect, {}, callback, userRef);
        scheduleLocalAnswer(s, opened);
        return kOBEXSuccess;
      }
      s->link = Link::Opening;
      s->fdTag = g_source_add_unix_fd(s->source, s->transport->fd(), G_IO_OUT);
    }
    startRequest(s, Request::Connect, std::move(*packet), callback, userRef);
    return kOBEXSuccess;
  } catch (const std::bad_alloc&) {
    return kOBEXNoResourcesError;
  }
}

OBEXError OBEXSessionGetMaxPacketLength(OBEXSessionRef s, OBEXMaxPacketLength* length) {
  if (s == nullptr || length == nullptr) return kOBEXBadArgumentError;
  if (!s->connected) return kOBEXSessionNotConnectedError;
  *length = s->negotiatedMax;
  return kOBEXSuccess;
}

OBEXError OBEXSessionGetAvailableCommandPayloadLength(OBEXSessionRef s, OBEXOpCode opCode,
                                                      OBEXMaxPacketLength* length) {
  if (s == nullptr || length == nullptr) return kOBEXBadArgumentError;
  const bool put = opCode == kOBEXOpCodePut || opCode == kOBEXOpCodePutWithFinalBit;
  if (!put && opCode != kOBEXOpCodeDisconnect) return kOBEXUnsupportedError;
  if (!s->connected) return kOBEXSessionNotConnectedError;
  // The negotiated length is at least 255, so this never goes below zero.
  *length = static_cast<OBEXMaxPacketLength>(put ? OBEXPutPayloadLength(s->negotiatedMax)
                                                 : s->negotiatedMax - kOBEXRequestPrefixLength);
  return kOBEXSuccess;
}

OBEXError OBEXSessionPut(OBEXSessionRef s, bool isFinal, const void* headers,
                         std::size_t headersLength, const void* body, std::size_t bodyLength,
                         OBEXSessionEventCallback callback, void* userRef) {
  if (s == nullptr || s->deleted || callback == nullptr) return kOBEXBadArgumentError;
  if (s->request != Request::None) return kOBEXSessionBusyError;
  if (!s->connected) {
    return s->linkFailed ? kOBEXSessionTransportDiedError : kOBEXSessionNotConnectedError;
  }
  if ((bodyLength > 0 && body == nullptr) || !validHeaders(headers, headersLength) ||
      OBEXPutPacketLength(isFinal, headersLength, bodyLength) > s->negotiatedMax) {
    return kOBEXBadArgumentError;
  }
  try {
    std::optional<OBEXBytes> packet =
        OBEXMakePutPacket(isFinal, bytesOf(headers, headersLength), bytesOf(body, bodyLength));
    if (!packet) return kOBEXBadArgumentError;
    startRequest(s, Request::Put, std::move(*packet), callback, userRef);
    return kOBEXSuccess;
  } catch (const std::bad_alloc&) {
    return kOBEXNoResourcesError;
  }
}

OBEXError OBEXSessionDisconnect(OBEXSessionRef s, const void* headers, std::size_t headersLength,
                                OBEXSessionEventCallback callback, void* userRef) {
  if (s == nullptr || s->deleted || callback == nullptr) return kOBEXBadArgumentError;
  if (s->request != Request::None) return kOBEXSessionBusyError;
  if (!s->connectAnswered) return kOBEXSessionNotConnectedError;
  if (!validHeaders(headers, headersLength)) return kOBEXBadArgumentError;
  try {
    if (s->connected) {
      std::optional<OBEXBytes> packet = OBEXMakeDisconnectPacket(bytesOf(headers, headersLength));
      if (!packet || packet->size() > s->negotiatedMax) return kOBEXBadArgumentError;
      startRequest(s, Request::Disconnect, std::move(*packet), callback, userRef);
      return kOBEXSuccess;
    }
  } catch (const std::bad_alloc&) {
    return kOBEXNoResourcesError;
  }
  // Refused, or the link failed since: nothing to end on the wire, but the
  // caller still hears that the session is over.
  const OBEXError status =
      s->linkFailed ? kOBEXSessionTransportDiedError : kOBEXSessionNotConnectedError;
  closeLink(s);
  startRequest(s, Request::Disconnect, {}, callback, userRef);
  scheduleLocalAnswer(s, status);
  return kOBEXSuccess;
}

OBEXError OBEXSessionDelete(OBEXSessionRef s) {
  if (s == nullptr || s->deleted) return kOBEXBadArgumentError;
  if (s->dispatchDepth > 0) {
    // Inside one of our own callbacks: the dispatch frees the session when
    // it unwinds. Until then nothing more may happen on it.
    closeLink(s);
    s->request = Request::None;
    s->callback = nullptr;
    s->localAnswerPending = false;
    s->deleted = true;
    return kOBEXSuccess;
  }
  destroySession(s);
  return kOBEXSuccess;
}

}  // namespace wendlock
