// Test support: table-driven checks of string operations, the ones that
// answer a string (its text and whether it is the string itself) and the
// ones that edit a MutableString in place.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>

#include "StorageForms.h"
#include "chars/MutableString.h"

namespace orvin::test {

// `F` with its arguments after the string fixed, as a one-argument call:
//   bound<stringByTrimmingSpacesAndFeeds, true>
template <auto F, auto... Args>
auto bound(const String& s) {
  return F(s, Args...);
}
template <auto F, auto... Args>
void boundEdit(MutableString& s) {
  (void)F(s, Args...);
}

// What an operation answers besides its text: the string itself, the
// constant "" (`constant` below), or a string of its own.
enum class Kept { Itself, Constant, New };

struct ResultCase {
  const char* op;
  std::function<String(const String&)> call;
  std::u16string in;
  std::u16string out;
  Kept kept = Kept::New;
};

// Runs each case on its text in `form`; nil must give nil.
inline void expectResults(Form form, std::span<const ResultCase> cases,
                          const String& constant = String(u"")) {
  for (const ResultCase& c : cases) {
    SCOPED_TRACE(std::string(c.op) + " of \"" + utf8(c.in) + "\"");
    const String s = make(form, c.in);
    const String out = c.call(s);
    EXPECT_EQ(textOf(out), c.out);
    EXPECT_EQ(out.isIdenticalTo(s), c.kept == Kept::Itself);
    EXPECT_EQ(out.isIdenticalTo(constant), c.kept == Kept::Constant);
    EXPECT_TRUE(c.call(String()).isNil());
  }
}

struct EditCase {
  const char* op;
  std::function<void(MutableString&)> edit;
  std::u16string in;
  std::u16string out;
};

// Runs each edit on a mutable string made from its text in `form`; copies
// taken before the edit, of the string and of the mutable string, must keep
// their text.
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
