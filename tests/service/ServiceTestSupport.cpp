#include "ServiceTestSupport.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>

#include "service/platform/Application.h"
#include "service/platform/DeviceBrowser.h"
#include "service/platform/RunLoop.h"

namespace wendlock::testkit {
namespace {

// Made before main so that no test can look up the bundle, or the bus, first.
struct Resources {
  std::string directory;
  Resources() {
    char pattern[] = "/tmp/wendlock-resources-XXXXXX";
    // An empty folder name would point the bus and the bundle at "/".
    if (mkdtemp(pattern) == nullptr) {
      std::perror("service tests: mkdtemp");
      std::abort();
    }
    directory = pattern;
    setenv("WENDLOCK_RESOURCES", directory.c_str(), 1);
    // The machine's own BlueZ must never answer these tests: a bus that is
    // not there gives "Bluetooth not available." wherever they run. Tests
    // of the device source start a private bus of their own.
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + directory + "/no-system-bus").c_str(), 1);
  }
  ~Resources() {
    std::error_code ignored;
    if (!directory.empty()) std::filesystem::remove_all(directory, ignored);
  }
};
const Resources gResources;

}  // namespace

const std::string& resourceDirectory() {
  return gResources.directory;
}

std::shared_ptr<orvin::InMemoryPasteboard> pasteboardWith(const Entries& entries) {
  auto pb = std::make_shared<orvin::InMemoryPasteboard>(orvin::String(u"Request"));
  std::vector<orvin::String> types;
  for (const auto& e : entries) types.emplace_back(e.first);
  pb->declareTypes(types, nullptr);
  for (const auto& [type, data] : entries) {
    if (data) pb->setData(orvin::Bytes(data->begin(), data->end()), orvin::String(type));
  }
  return pb;
}

bool runUntil(const std::function<bool()>& done, GMainContext* context) {
  const gint64 deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
  while (!done()) {
    if (g_get_monotonic_time() >= deadline) return false;
    if (!g_main_context_iteration(context, FALSE)) g_usleep(1000);
  }
  return true;
}

void drain(GMainContext* context) {
  for (int i = 0; i < 1000 && g_main_context_iteration(context, FALSE); ++i) {
  }
}

namespace {
void assign(const char* name, const std::optional<std::string>& value) {
  if (value) {
    setenv(name, value->c_str(), 1);
  } else {
    unsetenv(name);
  }
}
}  // namespace

ScopedEnvironment::~ScopedEnvironment() {
  // Backwards, so a name set twice ends as it was first.
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) assign(it->first.c_str(), it->second);
}

void ScopedEnvironment::set(const char* name, const std::optional<std::string>& value) {
  const char* old = std::getenv(name);
  saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  assign(name, value);
}

void ProcessTest::SetUp() {
  testhooks::useVirtualTime(kStart);
  auto ui = std::make_unique<RecordingFrontEnd>();
  ui_ = ui.get();
  setFrontEnd(std::move(ui));
  exits_.clear();
  testhooks::resetOutcome();
  testhooks::setTerminateHandler([this](int status) { exits_.push_back(status); });
  setBrowserTargets({});
}

void ProcessTest::TearDown() {
  drain();
  testhooks::setTerminateHandler({});
  testhooks::useRealTime();
  setBrowserTargets({});
}

}  // namespace wendlock::testkit
