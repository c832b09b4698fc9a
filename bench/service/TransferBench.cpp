// From the request to the disconnect, for a 400-byte text pushed to the real
// OBEX receiver (libopenobex) on loopback:
//  - the Wendlock handler in this process, against a receiver started fresh
//    for each request; its wait runs whole one-second ticks, so the time
//    until the session was gone is counted as well (session_gone_ms);
//  - the same exchange driven through the session API directly (Connect,
//    the same Name, Type and Length headers and chunks, Disconnect), timed
//    from the Connect call to the disconnect event;
//  - the plain cost of TCP connect, send and receive on loopback, with one
//    round trip and with as many as the OBEX exchange needs (four).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <glib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "BenchProcess.h"
#include "chars/MutableString.h"
#include "chars/StringFormat.h"
#include "service/CommandLine.h"
#include "service/Wendlock.h"
#include "service/obex/OBEXCodec.h"
#include "service/obex/OBEXSession.h"
#include "service/platform/Application.h"
#include "service/platform/DeviceBrowser.h"
#include "support/DateFormatters.h"

namespace wendlock::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kTextBytes = 400;
constexpr double kPatienceSeconds = 10.0;

// 400 bytes of UTF-8 with some two- and three-byte characters.
std::string text400() {
  const std::string line = "Grüße aus Köln, καλημέρα, こんにちは. ";
  std::string text;
  while (text.size() + line.size() <= kTextBytes) text += line;
  text.append(kTextBytes - text.size(), '.');
  return text;
}

// True when the inbox holds exactly one file of the text's length.
bool receivedOneText(const ScratchFolder& inbox) {
  const std::vector<std::string> files = inbox.files();
  std::error_code error;
  return files.size() == 1 && fs::file_size(fs::path(inbox.path()) / files[0], error) == kTextBytes;
}

// Notes when the provider's session has gone: the loop prepares every source
// at the start of each iteration, so this sees the session deleted by the
// disconnect callback as soon as that callback has returned.
struct SessionWatch {
  GSource base;
  const Wendlock* provider;
  bool armed;
  bool gone;
  Clock::time_point goneAt;
};

gboolean watchPrepare(GSource* source, gint* timeout) {
  auto* watch = reinterpret_cast<SessionWatch*>(source);
  *timeout = -1;
  if (watch->provider->session() != nullptr) {
    watch->armed = true;
  } else if (watch->armed && !watch->gone) {
    watch->gone = true;
    watch->goneAt = Clock::now();
  }
  return FALSE;
}
gboolean watchCheck(GSource*) {
  return FALSE;
}
gboolean watchDispatch(GSource*, GSourceFunc, gpointer) {
  return G_SOURCE_CONTINUE;
}
GSourceFuncs gWatchFuncs = {watchPrepare, watchCheck, watchDispatch, nullptr, nullptr, nullptr};

void BM_WendlockHandlerToDisconnect(benchmark::State& state) {
  const std::string text = text400();
  int exitStatus = -1;
  testhooks::setTerminateHandler([&](int status) { exitStatus = status; });
  double sessionGone = 0;
  for (auto _ : state) {
    Receiver receiver(OBEX_RECEIVER_PATH, true);
    if (!receiver.started()) {
      state.SkipWithError("the OBEX receiver did not start");
      break;
    }
    ServiceRecord record;
    record.host = "127.0.0.1";
    record.port = receiver.port();
    setBrowserTargets({record});
    Options options;
    options.source = Options::Source::Inline;
    options.text = text;
    std::string error;
    const std::shared_ptr<orvin::Pasteboard> pasteboard = makeRequestPasteboard(options, &error);

    Wendlock provider;
    auto* watch = reinterpret_cast<SessionWatch*>(g_source_new(&gWatchFuncs, sizeof(SessionWatch)));
    watch->provider = &provider;
    watch->armed = false;
    watch->gone = false;
    g_source_attach(&watch->base, g_main_context_default());
    exitStatus = -1;
    orvin::String ignored;

    const Clock::time_point start = Clock::now();
    provider.doSendToService(*pasteboard, orvin::String(), &ignored);
    const Clock::time_point end = Clock::now();

    const bool gone = watch->gone;
    const Clock::time_point goneAt = watch->goneAt;
    g_source_destroy(&watch->base);
    g_source_unref(&watch->base);
    const bool finished = receiver.finished(5.0);
    if (exitStatus != 0 || !gone || !finished || !receivedOneText(receiver.inbox())) {
      state.SkipWithError("the text did not arrive");
      break;
    }
    state.SetIterationTime(secondsBetween(start, end));
    sessionGone += secondsBetween(start, goneAt);
  }
  testhooks::setTerminateHandler(nullptr);
  state.counters["session_gone_ms"] =
      benchmark::Counter(sessionGone * 1e3, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_WendlockHandlerToDisconnect)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);

// The provider's exchange, step for step, on the session API.
struct Transfer {
  OBEXSessionRef session = nullptr;
  OBEXBytes data;
  orvin::String filename;
  OBEXBytes headers;
  std::uint16_t chunkSize = 0;
  std::uint32_t putDone = 0;
  bool failed = false;
  bool done = false;
  int puts = 0;

  static Transfer& of(const OBEXSessionEvent* event) {
    return *static_cast<Transfer*>(event->userRef);
  }
  void fail() {
    failed = true;
    disconnect();
  }
  void disconnect() {
    if (OBEXSessionDisconnect(session, nullptr, 0, Disconnected, this) != kOBEXSuccess) {
      failed = true;
      done = true;
    }
  }
  void put(bool isFinal, const OBEXBytes* withHeaders, std::uint32_t offset, std::uint32_t length) {
    ++puts;
    if (OBEXSessionPut(session, isFinal, withHeaders ? withHeaders->data() : nullptr,
                       withHeaders ? withHeaders->size() : 0, data.data() + offset, length, Put,
                       this) != kOBEXSuccess) {
      fail();
    }
  }

  static void Connected(const OBEXSessionEvent* event) {
    Transfer& t = of(event);
    if (event->responseCode != kOBEXResponseCodeSuccessWithFinalBit) return t.fail();
    OBEXMaxPacketLength maxPacketLength = 0;
    t.chunkSize = OBEXSessionGetMaxPacketLength(t.session, &maxPacketLength) == kOBEXSuccess
                      ? static_cast<std::uint16_t>(maxPacketLength / 2)
                      : 512;
    OBEXHeaderDictionary dictionary;
    if (OBEXAddNameHeader(t.filename, &dictionary) != kOBEXSuccess ||
        OBEXAddTypeHeader(u"text/plain", &dictionary) != kOBEXSuccess ||
        OBEXAddLengthHeader(static_cast<std::uint32_t>(t.data.size()), &dictionary) !=
            kOBEXSuccess) {
      return t.fail();
    }
    std::optional<OBEXBytes> encoded = OBEXHeadersToBytes(&dictionary);
    OBEXMaxPacketLength payload = 0;
    if (!encoded ||
        OBEXSessionGetAvailableCommandPayloadLength(t.session, kOBEXOpCodePut, &payload) !=
            kOBEXSuccess ||
        payload < encoded->size() + t.data.size()) {
      return t.fail();
    }
    t.headers = std::move(*encoded);
    const auto dataLength = static_cast<std::uint32_t>(t.data.size());
    const std::uint32_t room =
        static_cast<std::uint32_t>(t.chunkSize) - static_cast<std::uint32_t>(t.headers.size());
    t.putDone = std::min(dataLength, room);
    t.put(t.putDone >= dataLength, &t.headers, 0, t.putDone);
  }

  static void Put(const OBEXSessionEvent* event) {
    Transfer& t = of(event);
    const auto dataLength = static_cast<std::uint32_t>(t.data.size());
    if (event->responseCode == kOBEXResponseCodeSuccessWithFinalBit) return t.disconnect();
    if (event->responseCode != kOBEXResponseCodeContinueWithFinalBit || t.putDone >= dataLength) {
      return t.fail();
    }
    const std::uint32_t offset = t.putDone;
    const std::uint32_t chunk = std::min<std::uint32_t>(t.chunkSize, dataLength - offset);
    t.putDone += chunk;
    t.put(t.putDone >= dataLength, nullptr, offset, chunk);
  }

  static void Disconnected(const OBEXSessionEvent* event) {
    Transfer& t = of(event);
    if (event->status != kOBEXSuccess) t.failed = true;
    t.done = true;
  }
};

// The provider's file name: the short date and time, "/" and ":" made "-".
orvin::String dateFileName() {
  orvin::MutableString date(orvin::localizedShortDateTimeDescription(orvin::Date::now()));
  date.replaceOccurrencesOfString(u"/", u"-", 0, orvin::NSRange{0, date.length()});
  date.replaceOccurrencesOfString(u":", u"-", 0, orvin::NSRange{0, date.length()});
  return orvin::stringWithFormat(u"%@.txt", {date});
}

gboolean markExpired(gpointer expired) {
  *static_cast<bool*>(expired) = true;
  return G_SOURCE_REMOVE;
}

void BM_ObexSessionConnectToDisconnect(benchmark::State& state) {
  // One receiver serves every iteration's session in turn.
  const Receiver receiver(OBEX_RECEIVER_PATH, false);
  if (!receiver.started()) {
    state.SkipWithError("the OBEX receiver did not start");
    return;
  }
  const std::string text = text400();
  GMainContext* context = g_main_context_default();
  int puts = 0;
  for (auto _ : state) {
    Transfer t;
    t.data.assign(text.begin(), text.end());
    t.filename = dateFileName();
    if (OBEXSessionCreateWithTCP("127.0.0.1", receiver.port(), &t.session) != kOBEXSuccess) {
      state.SkipWithError("no session");
      break;
    }
    bool expired = false;
    GSource* guard = g_timeout_source_new_seconds(static_cast<guint>(kPatienceSeconds));
    g_source_set_callback(guard, markExpired, &expired, nullptr);
    g_source_attach(guard, context);

    const Clock::time_point start = Clock::now();
    if (OBEXSessionConnect(t.session, 0, 512, nullptr, 0, Transfer::Connected, &t) !=
        kOBEXSuccess) {
      t.failed = true;
      t.done = true;
    }
    while (!t.done && !expired) g_main_context_iteration(context, TRUE);
    const Clock::time_point end = Clock::now();

    g_source_destroy(guard);
    g_source_unref(guard);
    OBEXSessionDelete(t.session);
    const bool arrived = receivedOneText(receiver.inbox());
    receiver.inbox().empty();
    if (!t.done || t.failed || !arrived) {
      state.SkipWithError("the text did not arrive");
      break;
    }
    puts = t.puts;
    state.SetIterationTime(secondsBetween(start, end));
  }
  state.counters["puts"] = puts;
}
BENCHMARK(BM_ObexSessionConnectToDisconnect)->UseManualTime()->Unit(benchmark::kMicrosecond);

// A loopback server for the baseline: each request is a 2-byte length and
// that many bytes; each gets a 3-byte answer.
class RoundTripServer {
 public:
  RoundTripServer() : thread_([this] { serve(); }) {}
  ~RoundTripServer() {
    stop_ = true;
    thread_.join();
  }
  [[nodiscard]] bool ok() const { return listener_.ok(); }
  [[nodiscard]] std::uint16_t port() const { return listener_.port(); }

 private:
  void serve() {
    while (!stop_) {
      const int fd = listener_.accept(0.05);
      if (fd < 0) continue;
      for (;;) {
        std::uint8_t prefix[2];
        if (!readExactly(fd, prefix, 2, kPatienceSeconds)) break;
        std::vector<std::uint8_t> request(static_cast<std::size_t>(prefix[0] << 8 | prefix[1]));
        if (!readExactly(fd, request.data(), request.size(), kPatienceSeconds)) break;
        const std::uint8_t answer[3] = {0xA0, 0x00, 0x03};
        if (!writeAll(fd, answer, sizeof answer)) break;
      }
      ::close(fd);
    }
  }

  Listener listener_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void BM_TcpConnectSendReceive(benchmark::State& state) {
  const auto roundTrips = static_cast<std::size_t>(state.range(0));
  RoundTripServer server;
  if (!server.ok()) {
    state.SkipWithError("no loopback listener");
    return;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(server.port());
  const std::string text = text400();
  for (auto _ : state) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    for (std::size_t i = 0; ok && i < roundTrips; ++i) {
      const std::size_t from = text.size() * i / roundTrips;
      const std::size_t to = text.size() * (i + 1) / roundTrips;
      std::vector<std::uint8_t> request = {static_cast<std::uint8_t>((to - from) >> 8),
                                           static_cast<std::uint8_t>(to - from)};
      request.insert(request.end(), text.begin() + static_cast<std::ptrdiff_t>(from),
                     text.begin() + static_cast<std::ptrdiff_t>(to));
      std::uint8_t answer[3];
      ok = writeAll(fd, request.data(), request.size()) &&
           readExactly(fd, answer, sizeof answer, kPatienceSeconds);
    }
    if (fd >= 0) ::close(fd);
    if (!ok) {
      state.SkipWithError("loopback round trip failed");
      break;
    }
  }
}
BENCHMARK(BM_TcpConnectSendReceive)->Arg(1)->Arg(4)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace wendlock::bench
