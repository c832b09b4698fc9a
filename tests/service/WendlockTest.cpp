// The send service end to end in one process: a real Wendlock provider, the
// scripted OBEX server on 127.0.0.1 served by the same main context, the
// recording front end and virtual time, so the 60-tick time-outs take
// milliseconds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "ScriptedObexServer.h"
#include "ServiceTestSupport.h"
#include "chars/MutableString.h"
#include "service/Wendlock.h"
#include "service/obex/OBEXCodec.h"
#include "service/platform/DeviceBrowser.h"
#include "service/platform/RunLoop.h"
#include "support/DateFormatters.h"
#include "support/UserDefaults.h"

namespace wendlock {
namespace {

using orvin::String;
using testkit::Bytes;
using testkit::connectReply;
using testkit::kContinue;
using testkit::kSuccess;
using testkit::ScriptedServer;
using Header = std::pair<std::uint8_t, Bytes>;

constexpr const char* kFailed = "Wendlock: Connection failed.";
constexpr const char* kDeclinedFile = "The device declined the file.";
const Bytes kConnectRequest = {0x80, 0x00, 0x07, 0x10, 0x00, 0x02, 0x00};
const Bytes kDisconnectRequest = {0x81, 0x00, 0x03};

// The headers of a Put request, the body's last.
std::vector<Header> headersOf(const Bytes& packet) {
  std::vector<OBEXHeader> parsed;
  EXPECT_TRUE(OBEXParseHeaders(std::span(packet).subspan(3), &parsed));
  std::vector<Header> headers;
  for (const OBEXHeader& h : parsed) {
    headers.emplace_back(h.identifier, Bytes(h.value.begin(), h.value.end()));
  }
  return headers;
}
// The body's header: End-of-Body in the final Put, Body before.
Header body(bool final, const std::string& text) {
  return {final ? kOBEXHeaderIDEndOfBody : kOBEXHeaderIDBody, Bytes(text.begin(), text.end())};
}

ServiceRecord tcpTarget(std::uint16_t port) {
  return *ServiceRecord::parse("tcp:127.0.0.1:" + std::to_string(port));
}

// The Name, Type and Length headers of a file of `length` bytes sent now.
// The name is the short date and time with "/" and ":", which receivers
// take for path separators, turned into "-".
std::vector<Header> expectedHeaders(std::uint32_t length) {
  orvin::MutableString name(orvin::localizedShortDateTimeDescription(orvin::Date::now()));
  name.replaceOccurrencesOfString(u"/", u"-", 0, orvin::NSRange{0, name.length()});
  name.replaceOccurrencesOfString(u":", u"-", 0, orvin::NSRange{0, name.length()});
  Bytes utf16;  // high byte first, ending in a null
  for (char16_t u : name.toU16String() + u".txt" + u'\0') {
    utf16.insert(utf16.end(), {static_cast<std::uint8_t>(u >> 8), static_cast<std::uint8_t>(u)});
  }
  return {{kOBEXHeaderIDName, utf16},
          {kOBEXHeaderIDType, Bytes{'t', 'e', 'x', 't', '/', 'p', 'l', 'a', 'i', 'n', 0}},
          {kOBEXHeaderIDLength,
           Bytes{static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
                 static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)}}};
}

class WendlockSend : public testkit::ProcessTest {
 protected:
  void SetUp() override {
    ProcessTest::SetUp();
    server_ = std::make_unique<ScriptedServer>();
    setBrowserTargets({tcpTarget(server_->port())});
  }
  void TearDown() override {
    server_.reset();
    ProcessTest::TearDown();
  }
  void restart() {
    TearDown();
    SetUp();
  }

  // One request handled by a fresh provider, as the services system sends it.
  void send(orvin::Pasteboard& pasteboard) {
    Wendlock provider;
    String error;
    provider.doSendToService(pasteboard, String(u"user data"), &error);
    EXPECT_EQ(provider.session(), nullptr);
    EXPECT_TRUE(error.isNil());
    // Whatever the end, the connection is closed.
    EXPECT_TRUE(testkit::runUntil([&] { return !server_->connected(); }));
  }
  void send(const std::string& text) { send(*testkit::plainPasteboard(text)); }

  std::vector<std::uint8_t> opcodes() const {
    std::vector<std::uint8_t> seen;
    for (const Bytes& r : server_->requests) seen.push_back(r.at(0));
    return seen;
  }

  std::unique_ptr<ScriptedServer> server_;
};

// Every end of a push but a delivery in chunks. A delivery exits 0, an
// alert 1, an end without either 3 with its reason; a link that breaks, or a
// device that declines the file, ends at once, silence after the 60th tick.
TEST_F(WendlockSend, Ends) {
  constexpr const char* kNoData = "Wendlock: No data to send.";
  using Step = ScriptedServer::Step;
  const Step accept{connectReply(1000)}, ok{kSuccess}, more{kContinue}, hangUp{{}, true},
      moreThenClose{kContinue, true};
  struct Case {
    const char* what;
    // The browser's targets: S the server, C a closed port, B a Bluetooth
    // device. Of two, the user picks the server, or cancels.
    std::string targets;
    std::vector<Step> steps;
    std::vector<std::uint8_t> opcodes;  // of the requests the server saw
    const char* alert;                  // nullptr: none
    bool waited = false;                // the 60 ticks ran out
    int length = 5;                     // of the text; -1: no text at all
    const char* quiet = nullptr;        // why it ended without delivery or alert
  };
  const auto declines = [](std::uint8_t code) { return Step{{code, 0, 3}}; };
  const Case cases[] = {
      {"delivered", "CS", {accept, ok, ok}, {0x80, 0x82, 0x81}, nullptr},
      {"no text", "CS", {}, {}, kNoData, false, -1},
      {"empty text", "CS", {}, {}, kNoData, false, 0},
      {"cancelled", "CC", {}, {}, nullptr, false, 5, "Cancelled."},
      {"no targets, no BlueZ", "", {}, {}, "Wendlock: Bluetooth not available."},
      {"no session for the device", "B", {}, {}, kFailed},
      {"nobody listening", "C", {}, {}, kFailed},
      {"refused",
       "S",
       {{connectReply(1000, 0xC3)}},
       {0x80},
       nullptr,
       false,
       5,
       "The device refused the connection."},
      {"silent at Put", "S", {accept}, {0x80, 0x82}, kFailed, true},
      // Declined: Forbidden (a user's "Decline"), and any other final answer.
      {"Put declined 0xC3",
       "S",
       {accept, declines(0xC3), ok},
       {0x80, 0x82, 0x81},
       nullptr,
       false,
       5,
       kDeclinedFile},
      {"Put declined, Disconnect unanswered",
       "S",
       {accept, declines(0xC3)},
       {0x80, 0x82, 0x81},
       nullptr,
       false,
       5,
       kDeclinedFile},
      {"Put declined 0xD0, then closes",
       "S",
       {accept, {{0xD0, 0, 3}, true}},
       {0x80, 0x82},
       nullptr,
       false,
       5,
       kDeclinedFile},
      {"Continue after the last chunk", "S", {accept, more}, {0x80, 0x82}, kFailed, true},
      {"closes after the first chunk", "S", {accept, hangUp}, {0x80, 0x02}, kFailed, false, 400},
      {"Continue, then closes", "S", {accept, moreThenClose}, {0x80, 0x02}, kFailed, false, 400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    std::vector<ServiceRecord> targets;
    for (char t : c.targets) {
      if (t == 'B') targets.push_back(*ServiceRecord::parse("bt:00:1A:7D:DA:71:13@12"));
      if (t == 'C') targets.push_back(tcpTarget(ScriptedServer().port()));
      if (t == 'S') targets.push_back(tcpTarget(server_->port()));
    }
    setBrowserTargets(targets);
    if (const std::size_t at = c.targets.find('S'); at != std::string::npos) ui_->choice = at;
    for (const auto& step : c.steps) server_->then(step.reply, step.closeAfter);
    send(c.length < 0 ? *testkit::pasteboardWith({})
                      : *testkit::plainPasteboard(std::string(c.length, 'x')));

    const bool asked = targets.size() > 1 && c.alert != kNoData;
    EXPECT_EQ(ui_->choosers, asked ? std::vector<std::size_t>{2} : std::vector<std::size_t>{});
    EXPECT_EQ(opcodes(), c.opcodes);
    EXPECT_EQ(ui_->alerts,
              c.alert ? std::vector<std::string>{c.alert} : std::vector<std::string>{});
    EXPECT_EQ(exits_, std::vector<int>{c.alert ? 1 : c.quiet ? 3 : 0});
    EXPECT_EQ(ui_->ends, c.quiet ? std::vector<std::string>{c.quiet} : std::vector<std::string>{});
    EXPECT_EQ(std::abs(elapsed() - 60.0) < 1e-6, c.waited) << elapsed();
  }
}

// The negotiated length is the smaller of our 512 and the server's, and a
// chunk is half of it. The whole file must fit one Put's payload (length - 6)
// with its headers, so a push takes two chunks at most: the first carries
// the headers.
TEST_F(WendlockSend, ChunksAndTheSizeLimit) {
  std::size_t h = 0;  // the bytes of the headers as they travel
  for (const auto& [id, value] : expectedHeaders(0))
    h += id == kOBEXHeaderIDLength ? 5 : 3 + value.size();
  // The server's largest packet, the text's length, the chunks (none: too much data).
  const std::tuple<std::uint16_t, std::size_t, std::vector<std::size_t>> cases[] = {
      {1000, 256 - h, {256 - h}},
      {1000, 257 - h, {256 - h, 1}},
      {1000, 506 - h, {256 - h, 250}},  // the largest text that fits
      {1000, 507 - h, {}},
      {255, 249 - h, {127 - h, 122}},
      {255, 250 - h, {}},
  };
  for (const auto& [serverMax, length, chunks] : cases) {
    SCOPED_TRACE(testing::Message() << serverMax << " " << length);
    restart();
    const std::vector<Header> headers = expectedHeaders(static_cast<std::uint32_t>(length));
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char>('a' + i % 26));
    server_->then(connectReply(serverMax));
    for (std::size_t i = 1; i < chunks.size(); ++i) server_->then(kContinue);
    server_->then(kSuccess);
    server_->then(kSuccess);
    send(text);

    const auto& requests = server_->requests;
    if (chunks.empty()) {
      // Too much for any session: refused before connecting. Too much for
      // this server's smaller packets: refused once connected.
      const std::size_t payload = std::min<std::size_t>(serverMax, 512) - 6;
      const std::vector<std::uint8_t> connected = {0x80, 0x81};
      EXPECT_EQ(opcodes(), serverMax >= 512 ? std::vector<std::uint8_t>() : connected);
      EXPECT_EQ(ui_->alerts, std::vector<std::string>{
                                 "Wendlock: Too much data to send. / The text is " +
                                 std::to_string(length) + " bytes; at most " +
                                 std::to_string(payload - h) + " bytes can be sent at once."});
      EXPECT_EQ(ui_->choosers.size() + ui_->sending.size(), serverMax >= 512 ? 0u : 2u);
      EXPECT_EQ(exits_, std::vector<int>{1});
      continue;
    }
    ASSERT_EQ(requests.size(), chunks.size() + 2);
    EXPECT_EQ(requests.front(), kConnectRequest);
    EXPECT_EQ(requests.back(), kDisconnectRequest);
    EXPECT_TRUE(ui_->alerts.empty());
    EXPECT_EQ(exits_, std::vector<int>{0});
    std::size_t offset = 0;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
      const bool last = i + 1 == chunks.size();
      std::vector<Header> expected = i == 0 ? headers : std::vector<Header>{};
      expected.push_back(body(last, text.substr(offset, chunks[i])));
      EXPECT_EQ(requests[i + 1][0], last ? 0x82 : 0x02);
      EXPECT_EQ(headersOf(requests[i + 1]), expected);
      offset += chunks[i];
    }
    EXPECT_EQ(offset, text.size());
  }
}

// What the user follows: the sending window (and its Cancel), the
// notification of the end, and the target remembered for next time.
TEST_F(WendlockSend, TheUserFollowsThePush) {
  using Step = ScriptedServer::Step;
  const Step accept{connectReply(1000)}, ok{kSuccess}, more{kContinue};
  const std::string target = "TARGET";  // the server of each case
  struct Case {
    const char* what;
    std::vector<Step> steps;
    bool cancelAtPut;  // the user cancels while the Put waits for its answer
    std::vector<std::uint8_t> opcodes;
    int exit;
    std::vector<std::string> notifications;
    bool remembered;
  } cases[] = {
      {"delivered", {accept, ok, ok}, false, {0x80, 0x82, 0x81}, 0, {"Sent to " + target}, true},
      {"declined",
       {accept, {{0xC3, 0, 3}}, ok},
       false,
       {0x80, 0x82, 0x81},
       3,
       {target + " declined the text."},
       false},
      // The answer in flight comes, and the Disconnect follows it.
      {"cancelled, then answered", {accept, more, ok}, true, {0x80, 0x82, 0x81}, 3, {}, false},
      // It never comes: the link is closed a few ticks later.
      {"cancelled, no answer", {accept}, true, {0x80, 0x82}, 3, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    orvin::UserDefaults::standardUserDefaults().removeObjectForKey(u"LastDevice");
    for (const auto& step : c.steps) server_->then(step.reply, step.closeAfter);
    if (c.cancelAtPut) {
      server_->onRequest = [&](const Bytes& request) {
        if (request[0] == 0x82) ui_->cancelSending();
      };
    }
    send("hello");
    const std::string server = tcpTarget(server_->port()).describe();
    for (std::string& n : ui_->notifications) n.replace(n.find(server), server.size(), target);
    EXPECT_EQ(ui_->sending, (std::vector<std::string>{"Sending to " + server + "…", "end"}));
    EXPECT_EQ(opcodes(), c.opcodes);
    EXPECT_EQ(exits_, std::vector<int>{c.exit});
    EXPECT_EQ(ui_->notifications, c.notifications);
    EXPECT_TRUE(ui_->alerts.empty());
    EXPECT_EQ(ui_->ends, c.cancelAtPut ? std::vector<std::string>{"Cancelled."}
                                       : std::vector<std::string>(c.exit == 3, kDeclinedFile));
    EXPECT_EQ(orvin::UserDefaults::standardUserDefaults().stringForKey(u"LastDevice").toUtf8(),
              c.remembered ? server : "");
  }
}

// The chooser is told what will be sent: the first line that is not blank,
// cut to 60 characters (never inside one), and the size in bytes.
TEST_F(WendlockSend, TheChooserPreviewsTheText) {
  const std::string sixty(60, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {"\n \t Call Anna back  \nabout dinner", "Call Anna back"},
      {sixty, sixty},
      {sixty + "b", sixty + "…"},
      {std::string(59, 'a') + "e\u0301x", std::string(59, 'a') + "…"},
  };
  for (const auto& [text, preview] : cases) {
    restart();
    setBrowserTargets({tcpTarget(server_->port()), tcpTarget(server_->port())});
    send(text);  // the user cancels the chooser
    EXPECT_EQ(ui_->outgoing().firstLine, preview);
    EXPECT_EQ(ui_->outgoing().size, std::to_string(text.size()) + " bytes");
  }
}

TEST_F(WendlockSend, RichSelectionGoesAsItsPlainCharactersInUtf8) {
  server_->then(connectReply(1000));
  server_->then(kSuccess);
  server_->then(kSuccess);
  std::vector<Header> expected = expectedHeaders(11);
  expected.push_back(body(true, "Grüße €"));
  send(*testkit::pasteboardWith({{orvin::NSRTFPboardType, "{\\rtf1 Gr\\'fc\\'dfe \\u8364?}"},
                                 {orvin::NSStringPboardType, "plain entry"}}));
  EXPECT_EQ(headersOf(server_->requests.at(1)), expected);
}

TEST_F(WendlockSend, SecondRequestDuringATransferIsDropped) {
  Wendlock provider;
  std::vector<std::string> log;
  testkit::RecordingPasteboard second(String(u"Second"), &log);
  second.declareTypes({String(orvin::NSStringPboardType)}, nullptr);
  second.setString(u"second text", String(orvin::NSStringPboardType));
  log.clear();
  // It comes while the Connect is unanswered, from the wait's run loop.
  server_->onRequest = [&](const Bytes& request) {
    if (request[0] == 0x80) provider.doSendToService(second, String(), nullptr);
  };
  server_->then(connectReply(1000));
  server_->then(kSuccess);
  server_->then(kSuccess);
  provider.doSendToService(*testkit::plainPasteboard("first text"), String(), nullptr);

  EXPECT_EQ(log, std::vector<std::string>{"Second types"});
  EXPECT_EQ(opcodes(), (std::vector<std::uint8_t>{0x80, 0x82, 0x81}));
  EXPECT_EQ(headersOf(server_->requests.at(1)).back(), body(true, "first text"));
  EXPECT_TRUE(ui_->alerts.empty());
  EXPECT_EQ(exits_, std::vector<int>{0});
}

// The 60 ticks are counted on the monotonic clock: the wall clock set back
// or forward an hour while the device is silent changes nothing.
TEST_F(WendlockSend, SilentDeviceTimesOutAfter60TicksWhateverTheWallClockDoes) {
  for (const double step : {-3600.0, 3600.0}) {
    SCOPED_TRACE(step);
    restart();
    server_->then(connectReply(1000));
    server_->onRequest = [step](const Bytes& request) {
      if (request[0] == 0x82) testhooks::stepWallClock(step);
    };
    send("hello");
    EXPECT_EQ(ui_->alerts, std::vector<std::string>{kFailed});
    EXPECT_LT(std::abs(elapsed() - 60.0), 1e-6) << elapsed();
  }
}

TEST_F(WendlockSend, CallbacksIgnoreEventsWithoutAProvider) {
  OBEXSessionEvent event;
  event.responseCode = kOBEXResponseCodeSuccessWithFinalBit;
  for (auto callback :
       {&Wendlock::ConnectedCallback, &Wendlock::PutCallback, &Wendlock::DisconnectedCallback}) {
    callback(nullptr);
    callback(&event);
  }
  testkit::drain();
  EXPECT_TRUE(ui_->alerts.empty());
  EXPECT_TRUE(exits_.empty());
}

}  // namespace
}  // namespace wendlock
