#include "service/platform/bluetooth/SDPQuery.h"

#include <glib-unix.h>
#include <glib.h>
#include <sys/select.h>
#include <sys/socket.h>

#include <cerrno>
#include <new>
#include <string>
#include <vector>

#include "service/platform/bluetooth/SDPRecord.h"

namespace wendlock {
namespace {

// A server that keeps answering "more to come" is cut off here; the few
// attributes asked for fit in one or two packets.
constexpr int kMostContinuations = 32;
// The largest packet sdp_process reads (its SDP_RSP_BUFFER_SIZE).
constexpr std::size_t kLargestPacket = 65535;

struct Query {
  sdp_session_t* session = nullptr;
  GMainContext* context = nullptr;
  GSource* watch = nullptr;
  GSource* timer = nullptr;
  bool requested = false;
  bool done = false;
  OBEXError result = kOBEXSessionNoTransportError;
  std::uint8_t channel = 0;
  int continuations = 0;
  std::vector<std::uint8_t> packet;
};

void finish(Query* q, OBEXError result) {
  if (q->done) return;
  q->done = true;
  q->result = result;
}

void dropSource(GSource** source) {
  if (*source == nullptr) return;
  g_source_destroy(*source);
  g_source_unref(*source);
  *source = nullptr;
}

// sdp_process calls this once the answer is complete or has failed.
void onAnswer(std::uint8_t type, std::uint16_t status, std::uint8_t* lists, std::size_t size,
              void* userData) {
  auto* q = static_cast<Query*>(userData);
  if (status != 0 || type != SDP_SVC_SEARCH_ATTR_RSP) {
    return finish(q, kOBEXSessionNoTransportError);
  }
  q->channel = lists == nullptr ? 0
                                : rfcommChannelOfAttributeLists(std::span(lists, size),
                                                                kSDPServiceClassObjectPush);
  finish(q, q->channel != 0 ? kOBEXSuccess : kOBEXUnsupportedError);
}

gboolean onSocket(gint fd, GIOCondition condition, gpointer data);

void watchSocket(Query* q, GIOCondition condition) {
  dropSource(&q->watch);
  q->watch = g_unix_fd_source_new(sdp_get_socket(q->session), condition);
  g_source_set_callback(q->watch, G_SOURCE_FUNC(onSocket), q, nullptr);
  g_source_attach(q->watch, q->context);
}

// The socket is connected (or failed to): ask for the Object Push records,
// only the two attributes that lead to the channel.
void sendRequest(Query* q, int fd) {
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) < 0 || error != 0) {
    return finish(q, kOBEXSessionNoTransportError);
  }
  uuid_t objectPush;
  sdp_uuid16_create(&objectPush, OBEX_OBJPUSH_SVCLASS_ID);
  std::uint16_t attributes[] = {kSDPAttributeServiceClassIDList,
                                kSDPAttributeProtocolDescriptorList};
  sdp_list_t* search = sdp_list_append(nullptr, &objectPush);
  sdp_list_t* wanted = sdp_list_append(nullptr, &attributes[0]);
  if (wanted != nullptr) wanted = sdp_list_append(wanted, &attributes[1]);
  sdp_set_notify(q->session, onAnswer, q);
  const int sent =
      search != nullptr && wanted != nullptr
          ? sdp_service_search_attr_async(q->session, search, SDP_ATTR_REQ_INDIVIDUAL, wanted)
          : -1;
  sdp_list_free(search, nullptr);
  sdp_list_free(wanted, nullptr);
  if (sent < 0) return finish(q, kOBEXSessionNoTransportError);
  q->requested = true;
  watchSocket(q, G_IO_IN);
}

// One packet of the answer is waiting. It is looked at before sdp_process
// reads it, because sdp_process trusts the counts inside.
void readAnswer(Query* q, int fd) {
  if (q->packet.size() < kLargestPacket) q->packet.resize(kLargestPacket);
  ssize_t n;
  do {
    n = recv(fd, q->packet.data(), q->packet.size(), MSG_PEEK | MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
  if (n <= 0 ||
      !isSafeSearchAttributeResponse(std::span(q->packet.data(), static_cast<std::size_t>(n)))) {
    return finish(q, kOBEXSessionNoTransportError);
  }
  const int more = sdp_process(q->session);
  if (q->done) return;
  if (more != 0 || ++q->continuations > kMostContinuations) {
    finish(q, kOBEXSessionNoTransportError);
  }
}

gboolean onSocket(gint fd, GIOCondition, gpointer data) {
  auto* q = static_cast<Query*>(data);
  if (q->done) return G_SOURCE_CONTINUE;
  try {
    if (q->requested) {
      readAnswer(q, fd);
    } else {
      sendRequest(q, fd);
    }
  } catch (const std::bad_alloc&) {
    finish(q, kOBEXNoResourcesError);
  }
  return G_SOURCE_CONTINUE;
}

gboolean onTimeout(gpointer data) {
  finish(static_cast<Query*>(data), kOBEXSessionNoTransportError);
  return G_SOURCE_REMOVE;
}

}  // namespace

bool parseRemoteAddress(std::string_view address, bdaddr_t* out) {
  if (address.size() != 17 || out == nullptr) return false;
  const std::string text(address);
  bdaddr_t parsed;
  if (bachk(text.c_str()) < 0 || str2ba(text.c_str(), &parsed) < 0) return false;
  static constexpr bdaddr_t kAny = {{0, 0, 0, 0, 0, 0}};
  static constexpr bdaddr_t kLocal = {{0, 0, 0, 0xff, 0xff, 0xff}};
  if (bacmp(&parsed, &kAny) == 0 || bacmp(&parsed, &kLocal) == 0) return false;
  *out = parsed;
  return true;
}

OBEXError queryObjectPushChannel(sdp_session_t* session, std::uint8_t* channel,
                                 unsigned timeoutMilliseconds) {
  if (channel != nullptr) *channel = 0;
  if (session == nullptr) return kOBEXBadArgumentError;
  // sdp_process waits for its packet with select(), which cannot take a
  // descriptor this high.
  if (channel == nullptr || sdp_get_socket(session) < 0 || sdp_get_socket(session) >= FD_SETSIZE) {
    sdp_close(session);
    return channel == nullptr ? kOBEXBadArgumentError : kOBEXSessionNoTransportError;
  }
  Query q;
  q.session = session;
  q.context = g_main_context_ref_thread_default();
  watchSocket(&q, G_IO_OUT);
  q.timer = g_timeout_source_new(timeoutMilliseconds);
  g_source_set_callback(q.timer, onTimeout, &q, nullptr);
  g_source_attach(q.timer, q.context);
  while (!q.done) g_main_context_iteration(q.context, TRUE);
  dropSource(&q.watch);
  dropSource(&q.timer);
  sdp_close(session);
  g_main_context_unref(q.context);
  if (q.result == kOBEXSuccess) *channel = q.channel;
  return q.result;
}

OBEXError findObjectPushChannel(std::string_view address, std::uint8_t* channel,
                                unsigned timeoutMilliseconds) {
  if (channel != nullptr) *channel = 0;
  bdaddr_t target;
  if (channel == nullptr || !parseRemoteAddress(address, &target)) return kOBEXBadArgumentError;
  static constexpr bdaddr_t kAnyAdapter = {{0, 0, 0, 0, 0, 0}};
  sdp_session_t* session = sdp_connect(&kAnyAdapter, &target, SDP_NON_BLOCKING);
  if (session == nullptr) return kOBEXSessionNoTransportError;
  return queryObjectPushChannel(session, channel, timeoutMilliseconds);
}

}  // namespace wendlock
