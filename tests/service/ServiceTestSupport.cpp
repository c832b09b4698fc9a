#include "ServiceTestSupport.h"

#include <glib.h>
#include <stdlib.h>

#include <filesystem>

#include "service/platform/Application.h"
#include "service/platform/DeviceBrowser.h"
#include "service/platform/RunLoop.h"
#include "support/Clock.h"

namespace wendlock::testkit {
namespace {

// Made before main so that no test can look up the bundle, or the bus,
// first.
struct Resources {
  std::string directory;
  Resources() {
    char pattern[] = "/tmp/wendlock-resources-XXXXXX";
    if (mkdtemp(pattern) != nullptr) directory = pattern;
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

void RecordingFrontEnd::showCriticalAlert(const std::string& title, const std::string& message) {
  alerts.push_back(title + ": " + message);
}

FrontEnd::Answer RecordingFrontEnd::showInformationalAlert(const std::string& title,
                                                           const std::string& message,
                                                           const std::string& defaultButton,
                                                           const std::string& alternateButton) {
  notices.push_back(title + ": " + message + " [" + defaultButton + "/" + alternateButton + "]");
  return noticeAnswer;
}

std::optional<std::size_t> RecordingFrontEnd::chooseDevice(
    const std::vector<ServiceRecord>& devices) {
  choosers.push_back(devices.size());
  return choice;
}

std::vector<orvin::String> RecordingPasteboard::types() {
  log_->push_back(name().toUtf8() + " types");
  return InMemoryPasteboard::types();
}

orvin::NSInteger RecordingPasteboard::declareTypes(const std::vector<orvin::String>& types,
                                                   const void* owner) {
  log_->push_back(name().toUtf8() + " declare");
  return InMemoryPasteboard::declareTypes(types, owner);
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

std::shared_ptr<orvin::InMemoryPasteboard> plainPasteboard(const std::string& utf8) {
  return pasteboardWith({{orvin::NSStringPboardType, utf8}});
}

void ProcessTest::SetUp() {
  wendlock::testhooks::useVirtualTime(kStart);
  auto ui = std::make_unique<RecordingFrontEnd>();
  ui_ = ui.get();
  setFrontEnd(std::move(ui));
  exits_.clear();
  wendlock::testhooks::resetCriticalAlert();
  wendlock::testhooks::setTerminateHandler([this](int status) { exits_.push_back(status); });
  setBrowserTargets({});
}

void ProcessTest::TearDown() {
  drain();
  wendlock::testhooks::setTerminateHandler({});
  wendlock::testhooks::useRealTime();
  setBrowserTargets({});
}

void ProcessTest::drain() {
  for (int i = 0; i < 1000 && g_main_context_iteration(nullptr, FALSE); ++i) {
  }
}

bool ProcessTest::runUntil(const std::function<bool()>& done) {
  bool expired = false;
  GSource* guard = g_timeout_source_new_seconds(10);
  g_source_set_callback(
      guard,
      [](gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &expired, nullptr);
  g_source_attach(guard, nullptr);
  while (!done() && !expired) g_main_context_iteration(nullptr, TRUE);
  g_source_destroy(guard);
  g_source_unref(guard);
  return done();
}

double ProcessTest::elapsed() {
  return orvin::currentAbsoluteTime() - kStart;
}

}  // namespace wendlock::testkit
