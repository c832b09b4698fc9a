// Joining a folder and a component with exactly one "/" between them.
#pragma once

#include "chars/String.h"

namespace orvin::detail {

// Trailing "/" of `folder` and leading and trailing "/" of `component` are
// dropped, then the two are joined with one "/". An empty (or nil)
// component gives the folder; a nil folder gives nil. The root stays "/".
//   joinPath(u"/tmp/", u"/x")  // u"/tmp/x"
//   joinPath(u"/", u"x")       // u"/x"
[[nodiscard]] String joinPath(const String& folder, const String& component);

}  // namespace orvin::detail
