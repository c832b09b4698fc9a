#include "service/platform/DeviceSource.h"

namespace wendlock {

StaticDeviceSource::StaticDeviceSource(std::vector<ServiceRecord> targets) {
  for (ServiceRecord& r : targets) {
    DeviceEntry e;
    e.name = r.name.empty() ? r.describe() : r.name;
    e.address = r.describe();
    e.record = std::move(r);
    entries_.push_back(std::move(e));
  }
}

bool StaticDeviceSource::start(std::function<void()> /*changed*/, std::string* error) {
  if (!entries_.empty()) return true;
  if (error != nullptr) *error = "no target named";
  return false;
}

}  // namespace wendlock
