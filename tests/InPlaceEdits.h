// Test support: table-driven checks of in-place string edits.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>

#include "StorageForms.h"
#include "chars/MutableString.h"

namespace orvin::test {

struct EditCase {
  const char* op;
  std::function<void(MutableString&)> edit;
  std::u16string in;
  std::u16string out;
};

// Runs each edit on a mutable string made from its text in `form` and checks
// the result; copies taken before the edit, of the string and of the mutable
// string, must keep their text.
inline void expectEdits(Form form, std::span<const EditCase> cases) {
  for (const EditCase& c : cases) {
    SCOPED_TRACE(std::string(c.op) + " of \"" + utf8(c.in) + "\"");
    const String before = make(form, c.in);
    MutableString m(before);
    const MutableString copy = m;
    c.edit(m);
    EXPECT_EQ(textOf(m), c.out);
    EXPECT_EQ(textOf(before), c.in);
    EXPECT_EQ(textOf(copy), c.in);
  }
}

}  // namespace orvin::test
