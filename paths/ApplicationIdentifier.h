// The identifier of the application using the library ("wendlock"), which
// names its folder for settings and marks its sandbox container. nil until
// the application sets it.
#pragma once

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Sets the identifier; nil clears it. Safe from any thread.
//   setApplicationIdentifier(u"wendlock");
void setApplicationIdentifier(const String& identifier);

// The identifier last set, or nil.
//   applicationIdentifier()  // u"wendlock"
[[nodiscard]] String applicationIdentifier();

}  // namespace orvin
ORVIN_PUBLIC_END
