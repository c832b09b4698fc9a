// The OBEX session against a scripted server on 127.0.0.1, both driven by
// one private GLib main context: answers, refusals, and servers that close,
// lie, babble or stay silent.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <functional>
#include <string>
#include <vector>

#include "ScriptedObexServer.h"
#include "service/obex/OBEXCodec.h"
#include "service/obex/OBEXSession.h"

namespace wendlock {
namespace {

using testkit::Bytes;
using testkit::connectReply;
using testkit::kContinue;
using testkit::kSuccess;
using testkit::ScriptedServer;

struct Recorder {
  std::vector<OBEXSessionEvent> events;
  std::function<void(const OBEXSessionEvent&)> onEvent;

  static void callback(const OBEXSessionEvent* event) {
    auto* self = static_cast<Recorder*>(event->userRef);
    self->events.push_back(*event);
    self->events.back().headers = {};
    if (self->onEvent) self->onEvent(*event);
  }
};

class ObexSession : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = g_main_context_new();
    g_main_context_push_thread_default(context_);
    server_ = std::make_unique<ScriptedServer>(context_);
  }
  void TearDown() override {
    restart();
    server_.reset();
    drain();
    g_main_context_pop_thread_default(context_);
    g_main_context_unref(context_);
  }
  // A new server and no session, for the next case of a table.
  void restart() {
    if (session_ != nullptr) {
      EXPECT_EQ(OBEXSessionDelete(session_), kOBEXSuccess);
    }
    session_ = nullptr;
    recorder_ = Recorder();
    server_ = std::make_unique<ScriptedServer>(context_);
  }

  // Runs the loop until `done`; a generous guard keeps a broken build from hanging.
  bool runUntil(const std::function<bool()>& done) {
    bool expired = false;
    GSource* guard = g_timeout_source_new_seconds(20);
    g_source_set_callback(
        guard,
        [](gpointer flag) -> gboolean {
          *static_cast<bool*>(flag) = true;
          return G_SOURCE_REMOVE;
        },
        &expired, nullptr);
    g_source_attach(guard, context_);
    while (!done() && !expired) g_main_context_iteration(context_, TRUE);
    g_source_destroy(guard);
    g_source_unref(guard);
    return done();
  }
  bool runUntilEvents(std::size_t n) {
    return runUntil([&] { return recorder_.events.size() >= n; });
  }
  void drain() {
    for (int i = 0; i < 1000 && g_main_context_iteration(context_, FALSE); ++i) {
    }
  }

  // Makes a session with the server (or `port`) and sends Connect.
  OBEXError startConnect(std::uint16_t port = 0, OBEXMaxPacketLength ours = 512) {
    EXPECT_EQ(OBEXSessionCreateWithTCP("127.0.0.1", port ? port : server_->port(), &session_),
              kOBEXSuccess);
    return OBEXSessionConnect(session_, 0, ours, nullptr, 0, Recorder::callback, &recorder_);
  }
  // Connected with the server announcing `serverMax`; no event left behind.
  void connect(std::uint16_t serverMax = 1024) {
    server_->then(connectReply(serverMax));
    ASSERT_EQ(startConnect(), kOBEXSuccess);
    ASSERT_TRUE(runUntilEvents(1));
    ASSERT_EQ(recorder_.events[0].responseCode, 0xA0);
    recorder_.events.clear();
  }
  OBEXError put(bool final, const Bytes& headers, const Bytes& body) {
    return OBEXSessionPut(session_, final, headers.data(), headers.size(), body.data(), body.size(),
                          Recorder::callback, &recorder_);
  }
  OBEXError disconnect() {
    return OBEXSessionDisconnect(session_, nullptr, 0, Recorder::callback, &recorder_);
  }
  const OBEXSessionEvent& event(std::size_t i) const { return recorder_.events.at(i); }

  GMainContext* context_ = nullptr;
  std::unique_ptr<ScriptedServer> server_;
  OBEXSessionRef session_ = nullptr;
  Recorder recorder_;
};

TEST_F(ObexSession, ConnectNegotiatesTheSmallerLength) {
  struct Case {
    std::uint16_t serverMax, negotiated;
  };
  for (const Case c : {Case{1024, 512}, Case{300, 300}, Case{255, 255}}) {
    restart();
    server_->then(connectReply(c.serverMax));
    ASSERT_EQ(startConnect(), kOBEXSuccess);
    ASSERT_TRUE(runUntilEvents(1));
    EXPECT_EQ(event(0).type, kOBEXSessionEventTypeConnectCommandResponseReceived);
    EXPECT_EQ(event(0).responseCode, 0xA0);
    EXPECT_EQ(event(0).status, kOBEXSuccess);
    EXPECT_EQ(event(0).maxPacketLength, c.serverMax);
    EXPECT_EQ(server_->requests.at(0), (Bytes{0x80, 0x00, 0x07, 0x10, 0x00, 0x02, 0x00}));

    OBEXMaxPacketLength length = 0;
    EXPECT_EQ(OBEXSessionGetMaxPacketLength(session_, &length), kOBEXSuccess);
    EXPECT_EQ(length, c.negotiated);
    EXPECT_EQ(OBEXSessionGetAvailableCommandPayloadLength(session_, 0x02, &length), kOBEXSuccess);
    EXPECT_EQ(length, c.negotiated - 6);
    EXPECT_EQ(OBEXSessionGetAvailableCommandPayloadLength(session_, 0x81, &length), kOBEXSuccess);
    EXPECT_EQ(length, c.negotiated - 3);
    EXPECT_EQ(OBEXSessionGetAvailableCommandPayloadLength(session_, 0x03, &length),
              kOBEXUnsupportedError);
    EXPECT_EQ(OBEXSessionConnect(session_, 0, 512, nullptr, 0, Recorder::callback, &recorder_),
              kOBEXSessionAlreadyConnectedError);

    // The payload room is exact: headers and body of that size fill one packet.
    const Bytes body(length - 3, 'x');
    EXPECT_EQ(put(true, {}, Bytes(body.size() + 1, 'x')), kOBEXBadArgumentError);
    server_->then(kSuccess);
    ASSERT_EQ(put(true, {}, body), kOBEXSuccess);
    ASSERT_TRUE(runUntilEvents(2));
    EXPECT_EQ(server_->requests.at(1).size(), c.negotiated);
  }
}

TEST_F(ObexSession, RefusedConnectEndsWithADisconnectEvent) {
  for (const Bytes& refusal : {Bytes{0xC3, 0x00, 0x03}, connectReply(0, 0xC3)}) {
    restart();
    server_->then(refusal);
    ASSERT_EQ(startConnect(), kOBEXSuccess);
    ASSERT_TRUE(runUntilEvents(1));
    EXPECT_EQ(event(0).responseCode, 0xC3);
    EXPECT_EQ(event(0).status, kOBEXSuccess);
    OBEXMaxPacketLength length;
    EXPECT_EQ(OBEXSessionGetMaxPacketLength(session_, &length), kOBEXSessionNotConnectedError);
    EXPECT_EQ(put(true, {}, {}), kOBEXSessionNotConnectedError);

    // Nothing to end on the wire, but the caller hears the end, never from inside the call.
    ASSERT_EQ(disconnect(), kOBEXSuccess);
    EXPECT_EQ(recorder_.events.size(), 1u);
    ASSERT_TRUE(runUntilEvents(2));
    EXPECT_EQ(event(1).type, kOBEXSessionEventTypeDisconnectCommandResponseReceived);
    EXPECT_EQ(event(1).responseCode, kOBEXResponseCodeNone);
    EXPECT_EQ(event(1).status, kOBEXSessionNotConnectedError);
    EXPECT_TRUE(runUntil([&] { return server_->clientClosed; }));
    EXPECT_EQ(server_->requests.size(), 1u);
  }
}

TEST_F(ObexSession, ChunkedPutThenDisconnect) {
  connect();
  // Another answer than Success or Continue reaches the caller, and the session goes on.
  server_->then({0xCB, 0x00, 0x03});
  ASSERT_EQ(put(true, {}, {'x'}), kOBEXSuccess);
  ASSERT_TRUE(runUntilEvents(1));
  EXPECT_EQ(event(0).responseCode, 0xCB);
  EXPECT_EQ(event(0).status, kOBEXSuccess);
  recorder_.events.clear();

  OBEXHeaderDictionary dictionary;
  ASSERT_EQ(OBEXAddNameHeader(u"a.txt", &dictionary), kOBEXSuccess);
  const Bytes headers = *OBEXHeadersToBytes(&dictionary);
  Bytes data(700);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  const std::size_t chunk = 256;
  // Each Continue sends the next chunk from inside the callback, as the provider does.
  std::size_t done = chunk - headers.size();
  recorder_.onEvent = [&](const OBEXSessionEvent& e) {
    if (e.responseCode != kOBEXResponseCodeContinueWithFinalBit) return;
    const std::size_t n = std::min(chunk, data.size() - done);
    const bool final = done + n >= data.size();
    EXPECT_EQ(put(final, {}, Bytes(data.begin() + done, data.begin() + done + n)), kOBEXSuccess);
    done += n;
  };
  server_->then(kContinue);
  server_->then(kContinue);
  server_->then(kSuccess);
  ASSERT_EQ(put(false, headers, Bytes(data.begin(), data.begin() + done)), kOBEXSuccess);
  EXPECT_EQ(put(true, {}, {}), kOBEXSessionBusyError);
  EXPECT_EQ(disconnect(), kOBEXSessionBusyError);
  EXPECT_EQ(OBEXSessionConnect(session_, 0, 512, nullptr, 0, Recorder::callback, &recorder_),
            kOBEXSessionBusyError);
  ASSERT_TRUE(runUntilEvents(3));
  EXPECT_EQ(event(2).responseCode, 0xA0);

  // The server saw the headers once, Body headers, then End-of-Body on 0x82 only.
  ASSERT_EQ(server_->requests.size(), 5u);
  Bytes received;
  for (std::size_t i = 2; i < 5; ++i) {
    const Bytes& p = server_->requests[i];
    EXPECT_EQ(p[0], i == 4 ? 0x82 : 0x02);
    std::vector<OBEXHeader> parsed;
    ASSERT_TRUE(OBEXParseHeaders(std::span(p).subspan(3), &parsed));
    EXPECT_EQ(parsed.size(), i == 2 ? 2u : 1u);
    EXPECT_EQ(parsed.back().identifier, i == 4 ? kOBEXHeaderIDEndOfBody : kOBEXHeaderIDBody);
    received.insert(received.end(), parsed.back().value.begin(), parsed.back().value.end());
  }
  EXPECT_EQ(received, data);

  server_->then(kSuccess);
  ASSERT_EQ(disconnect(), kOBEXSuccess);
  ASSERT_TRUE(runUntilEvents(4));
  EXPECT_EQ(event(3).type, kOBEXSessionEventTypeDisconnectCommandResponseReceived);
  EXPECT_EQ(event(3).responseCode, 0xA0);
  EXPECT_EQ(server_->requests.back(), (Bytes{0x81, 0x00, 0x03}));
  EXPECT_TRUE(runUntil([&] { return server_->clientClosed; }));
  EXPECT_EQ(put(true, {}, {}), kOBEXSessionNotConnectedError);
}

TEST_F(ObexSession, BrokenServersEndTheRequestWithAnError) {
  Bytes oversize(600, 0);
  oversize[0] = 0xA0, oversize[1] = 0x02, oversize[2] = 0x58;
  struct Case {
    const char* what;
    ScriptedServer::Step step;
    OBEXError status;
  };
  const Case cases[] = {
      {"closes", {{}, true}, kOBEXSessionTransportDiedError},
      {"babbles", {{'H', 'T', 'T', 'P', '/', '1', '.', '0'}}, kOBEXSessionBadResponseError},
      {"too long for us", {oversize}, kOBEXSessionBadResponseError},
      {"lies and closes", {{0xA0, 0x01, 0x00, 0xC3}, true}, kOBEXSessionTransportDiedError},
      {"two answers", {{0xA0, 0x00, 0x03, 0xA0, 0x00, 0x03}}, kOBEXSessionBadResponseError},
      {"no final bit", {{0x20, 0x00, 0x03}}, kOBEXSessionBadResponseError},
      {"zero-length header", {{0xA0, 0x00, 0x06, 0x48, 0x00, 0x00}}, kOBEXSessionBadResponseError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    connect();
    server_->then(c.step.reply, c.step.closeAfter);
    ASSERT_EQ(put(false, {}, Bytes(100, 'b')), kOBEXSuccess);
    ASSERT_TRUE(runUntilEvents(1));
    EXPECT_EQ(event(0).type, kOBEXSessionEventTypePutCommandResponseReceived);
    EXPECT_EQ(event(0).responseCode, kOBEXResponseCodeNone);
    EXPECT_EQ(event(0).status, c.status);
    // The transport is closed for good; Disconnect still reports the end.
    EXPECT_EQ(put(true, {}, {}), kOBEXSessionTransportDiedError);
    ASSERT_EQ(disconnect(), kOBEXSuccess);
    ASSERT_TRUE(runUntilEvents(2));
    EXPECT_EQ(event(1).status, kOBEXSessionTransportDiedError);
  }
  // Bytes that answer no request close the session too.
  restart();
  connect();
  server_->push(kSuccess);
  ASSERT_TRUE(runUntil([&] { return server_->clientClosed; }));
  EXPECT_TRUE(recorder_.events.empty());
  EXPECT_EQ(put(true, {}, {}), kOBEXSessionTransportDiedError);
}

TEST_F(ObexSession, FailuresBeforeTheConnectAnswer) {
  // No listener: the failure comes as the connect event, never from the call.
  const std::uint16_t closedPort = server_->port();
  restart();
  ASSERT_EQ(startConnect(closedPort), kOBEXSuccess);
  EXPECT_TRUE(recorder_.events.empty());
  ASSERT_TRUE(runUntilEvents(1));
  EXPECT_EQ(event(0).responseCode, kOBEXResponseCodeNone);
  EXPECT_EQ(event(0).status, kOBEXSessionNoTransportError);
  // Nothing was ever connected, so there is nothing to disconnect.
  EXPECT_EQ(disconnect(), kOBEXSessionNotConnectedError);
  EXPECT_EQ(OBEXSessionConnect(session_, 0, 512, nullptr, 0, Recorder::callback, &recorder_),
            kOBEXSessionTransportDiedError);

  restart();
  server_->then(connectReply(16));  // below the smallest length OBEX allows
  ASSERT_EQ(startConnect(), kOBEXSuccess);
  ASSERT_TRUE(runUntilEvents(1));
  EXPECT_EQ(event(0).status, kOBEXSessionBadResponseError);
  EXPECT_EQ(disconnect(), kOBEXSessionNotConnectedError);
}

TEST_F(ObexSession, SilentServerGetsNoEventAndDeleteIsSafe) {
  connect();
  ASSERT_EQ(put(true, {}, {'x'}), kOBEXSuccess);
  ASSERT_TRUE(runUntil([&] { return server_->requests.size() == 2; }));
  drain();
  EXPECT_TRUE(recorder_.events.empty());
  EXPECT_EQ(put(true, {}, {'x'}), kOBEXSessionBusyError);
  EXPECT_EQ(OBEXSessionDelete(session_), kOBEXSuccess);
  session_ = nullptr;
  EXPECT_TRUE(runUntil([&] { return server_->clientClosed; }));
  drain();
  EXPECT_TRUE(recorder_.events.empty());
}

TEST_F(ObexSession, DeleteInsideTheCallback) {
  const auto deleteInCallback = [&](const OBEXSessionEvent& e) {
    EXPECT_EQ(OBEXSessionDelete(e.session), kOBEXSuccess);
    session_ = nullptr;
  };
  // A second answer behind the first must not reach anyone.
  connect();
  recorder_.onEvent = deleteInCallback;
  server_->then({0xA0, 0x00, 0x03, 0xA0, 0x00, 0x03});
  ASSERT_EQ(put(true, {}, {'x'}), kOBEXSuccess);
  ASSERT_TRUE(runUntilEvents(1));
  EXPECT_TRUE(runUntil([&] { return server_->clientClosed; }));
  drain();
  EXPECT_EQ(recorder_.events.size(), 1u);

  // The provider's pattern: disconnect, then delete in the disconnect callback.
  restart();
  connect();
  recorder_.onEvent = deleteInCallback;
  server_->then(kSuccess);
  ASSERT_EQ(disconnect(), kOBEXSuccess);
  ASSERT_TRUE(runUntilEvents(1));
  EXPECT_EQ(session_, nullptr);
}

TEST_F(ObexSession, AdoptedSocketAndBadArguments) {
  // The Bluetooth layer hands over a connected socket; a socket pair stands in.
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
  server_->adopt(pair[1]);
  ASSERT_EQ(
      OBEXSessionCreateWithTransport(std::make_unique<OBEXSocketTransport>(pair[0]), &session_),
      kOBEXSuccess);
  OBEXMaxPacketLength length = 0;
  EXPECT_EQ(OBEXSessionGetMaxPacketLength(session_, &length), kOBEXSessionNotConnectedError);
  EXPECT_EQ(put(true, {}, {}), kOBEXSessionNotConnectedError);
  EXPECT_EQ(disconnect(), kOBEXSessionNotConnectedError);
  EXPECT_EQ(OBEXSessionConnect(session_, 0, 254, nullptr, 0, Recorder::callback, &recorder_),
            kOBEXBadArgumentError);
  const Bytes truncated = {0x42, 0x00, 0x09, 'x'};
  EXPECT_EQ(OBEXSessionConnect(session_, 0, 512, truncated.data(), truncated.size(),
                               Recorder::callback, &recorder_),
            kOBEXBadArgumentError);

  server_->then(connectReply(0x2000));
  ASSERT_EQ(OBEXSessionConnect(session_, 0, 0x1000, nullptr, 0, Recorder::callback, &recorder_),
            kOBEXSuccess);
  ASSERT_TRUE(runUntilEvents(1));
  EXPECT_EQ(event(0).responseCode, 0xA0);
  EXPECT_EQ(OBEXSessionGetMaxPacketLength(session_, &length), kOBEXSuccess);
  EXPECT_EQ(length, 0x1000);
  EXPECT_EQ(put(true, truncated, {}), kOBEXBadArgumentError);

  OBEXSessionRef none = nullptr;
  EXPECT_EQ(OBEXSessionCreateWithTCP("example.org", 650, &none), kOBEXBadArgumentError);
  EXPECT_EQ(OBEXSessionCreateWithTCP("127.0.0.1", 0, &none), kOBEXBadArgumentError);
  EXPECT_EQ(none, nullptr);
}

}  // namespace
}  // namespace wendlock
