#include "service/platform/FrontEnd.h"

#include "service/platform/TerminalFrontEnd.h"

namespace wendlock {

namespace {
std::unique_ptr<FrontEnd>& installed() {
  static std::unique_ptr<FrontEnd> frontEnd;
  return frontEnd;
}
}  // namespace

FrontEnd& frontEnd() {
  if (!installed()) installed() = std::make_unique<TerminalFrontEnd>();
  return *installed();
}

void setFrontEnd(std::unique_ptr<FrontEnd> replacement) {
  installed() = std::move(replacement);
}

}  // namespace wendlock
