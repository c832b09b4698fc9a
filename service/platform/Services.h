// The services system: a provider registers under a port name, and the
// request this process was started for is delivered to it on the run loop.
// A request comes from the command line (a file, standard input, inline
// text; the desktop selection in the desktop build), already turned into
// its pasteboard.
#pragma once

#include <memory>

#include "chars/String.h"
#include "support/pasteboard/Pasteboard.h"

namespace wendlock {

// What the services system sends a provider.
class ServicesProvider {
 public:
  virtual ~ServicesProvider() = default;
  // The services message: the request's pasteboard, the user data of the
  // service declaration, and a place for an error text.
  virtual void doSendToService(orvin::Pasteboard& pasteboard, const orvin::String& userData,
                               orvin::String* error) = 0;
};

void NSRegisterServicesProvider(ServicesProvider* provider, const orvin::String& portName);
void NSUnregisterServicesProvider(const orvin::String& portName);
// Asks the desktop to re-read the services the application declares.
void NSUpdateDynamicServices();

// Queues a request for the provider registered under `portName`. It is
// delivered from the run loop (never from inside this call) once such a
// provider is registered; each request is delivered once.
//   postServicesRequest(u"Wendlock", pasteboard, String());
void postServicesRequest(const orvin::String& portName,
                         std::shared_ptr<orvin::Pasteboard> pasteboard,
                         const orvin::String& userData);

}  // namespace wendlock
