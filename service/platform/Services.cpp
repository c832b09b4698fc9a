#include "service/platform/Services.h"

#include <glib.h>

#include <map>
#include <string>
#include <vector>

#include "service/platform/RunLoop.h"

namespace wendlock {
namespace {

struct Request {
  orvin::String portName;
  std::shared_ptr<orvin::Pasteboard> pasteboard;
  orvin::String userData;
};

struct Registry {
  std::map<std::u16string, ServicesProvider*> providers;
  std::vector<Request> waiting;
};

Registry& registry() {
  static Registry r;
  return r;
}

gboolean deliver(gpointer data) {
  std::unique_ptr<Request> request(static_cast<Request*>(data));
  auto& providers = registry().providers;
  const auto found = providers.find(request->portName.toU16String());
  // Unregistered since it was scheduled: the request goes back to waiting.
  if (found == providers.end()) {
    registry().waiting.push_back(std::move(*request));
    return G_SOURCE_REMOVE;
  }
  ServicesProvider* provider = found->second;
  RunLoop::currentRunLoop().guard([&] {
    orvin::String error;
    provider->doSendToService(*request->pasteboard, request->userData, &error);
  });
  return G_SOURCE_REMOVE;
}

void schedule(Request request) {
  GSource* source = g_idle_source_new();
  g_source_set_callback(source, deliver, new Request(std::move(request)), nullptr);
  g_source_attach(source, RunLoop::currentRunLoop().context());
  g_source_unref(source);
}

// Schedules every waiting request whose provider is registered.
void dispatchWaiting() {
  std::vector<Request> still;
  for (Request& r : registry().waiting) {
    if (registry().providers.count(r.portName.toU16String()) != 0) {
      schedule(std::move(r));
    } else {
      still.push_back(std::move(r));
    }
  }
  registry().waiting = std::move(still);
}

}  // namespace

void NSRegisterServicesProvider(ServicesProvider* provider, const orvin::String& portName) {
  if (provider == nullptr || portName.isEmpty()) return;
  registry().providers[portName.toU16String()] = provider;
  dispatchWaiting();
}

void NSUnregisterServicesProvider(const orvin::String& portName) {
  registry().providers.erase(portName.toU16String());
}

void NSUpdateDynamicServices() {
  // The desktop reads the installed .desktop entry and its actions itself;
  // there is nothing to refresh on Linux.
}

void postServicesRequest(const orvin::String& portName,
                         std::shared_ptr<orvin::Pasteboard> pasteboard,
                         const orvin::String& userData) {
  if (!pasteboard) return;
  registry().waiting.push_back(Request{portName, std::move(pasteboard), userData});
  dispatchWaiting();
}

}  // namespace wendlock
