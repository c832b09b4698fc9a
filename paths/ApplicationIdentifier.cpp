#include "paths/ApplicationIdentifier.h"

#include <mutex>

namespace orvin {
namespace {

std::mutex identifierMutex;
String identifier;  // guarded by identifierMutex

}  // namespace

void setApplicationIdentifier(const String& newIdentifier) {
  std::lock_guard<std::mutex> lock(identifierMutex);
  identifier = newIdentifier;
}

String applicationIdentifier() {
  std::lock_guard<std::mutex> lock(identifierMutex);
  return identifier;
}

}  // namespace orvin
