#include "service/platform/FrontEnd.h"

#include "service/platform/Application.h"
#include "service/platform/Bundle.h"
#include "service/platform/RunLoop.h"
#include "service/platform/TerminalFrontEnd.h"
#include "support/MonotonicClock.h"

namespace wendlock {

namespace {
std::unique_ptr<FrontEnd>& installed() {
  static std::unique_ptr<FrontEnd> frontEnd;
  return frontEnd;
}
}  // namespace

std::optional<ServiceRecord> FrontEnd::chooseDevice(DeviceSource& source) {
  if (source.isSearching()) showProgress(localized(u"Searching for devices…"));
  RunLoop::currentRunLoop().runUntil([&] { return !source.isSearching(); },
                                     orvin::monotonicSeconds() + kSearchSeconds);
  const std::vector<DeviceEntry> entries = source.entries();
  std::vector<ServiceRecord> records;
  for (const DeviceEntry& e : entries) {
    ServiceRecord r = e.record;
    r.name = e.name + (e.paired ? " " + localized(u"(paired)") : std::string());
    records.push_back(std::move(r));
  }
  if (records.empty()) {
    NSApplication::sharedApplication().noteEndWithoutDelivery(
        orvin::String::withUtf8(localized(u"No devices found.")));
    return std::nullopt;
  }
  const std::optional<std::size_t> chosen = chooseDevice(records);
  if (!chosen) return std::nullopt;
  return entries[*chosen].record;
}

void FrontEnd::showSending(const std::string& what, std::function<void()> /*cancel*/) {
  showProgress(what);
}

FrontEnd& frontEnd() {
  if (!installed()) installed() = std::make_unique<TerminalFrontEnd>();
  return *installed();
}

void setFrontEnd(std::unique_ptr<FrontEnd> replacement) {
  installed() = std::move(replacement);
}

}  // namespace wendlock
