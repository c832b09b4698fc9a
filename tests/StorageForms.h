// Test support: build the same text in either storage form, so that every
// operation is exercised through the direct pointer and through the copy;
// and the few helpers that failure messages and tables share.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "chars/String.h"

namespace orvin::test {

enum class Form { Utf16, Compact };

inline const char* formName(Form f) {
  return f == Form::Utf16 ? "Utf16" : "Compact";
}

// `text` in the given form. Text beyond Latin-1 cannot be compact and comes
// back as UTF-16.
inline String make(Form form, std::u16string_view text) {
  if (form == Form::Compact) {
    std::string bytes;
    for (char16_t c : text) {
      if (c > 0xFF) return String(text);
      bytes.push_back(static_cast<char>(c));
    }
    return String::withLatin1(bytes);
  }
  return String(text);
}

// Base for tests parameterised over both forms:
//   class Foo : public FormTest {};
//   TEST_P(Foo, Bar) { String s = make(u"abc"); ... }
//   INSTANTIATE_FORMS(Foo);
class FormTest : public ::testing::TestWithParam<Form> {
 protected:
  String make(std::u16string_view text) const { return test::make(GetParam(), text); }
  // The other storage form, so that a comparison reads one string in place
  // and the other one unit at a time.
  String makeOther(std::u16string_view text) const {
    return test::make(GetParam() == Form::Utf16 ? Form::Compact : Form::Utf16, text);
  }
};

#define INSTANTIATE_FORMS(Suite)                                                                 \
  INSTANTIATE_TEST_SUITE_P(                                                                      \
      Forms, Suite, ::testing::Values(::orvin::test::Form::Utf16, ::orvin::test::Form::Compact), \
      [](const auto& info) { return std::string(::orvin::test::formName(info.param)); })

// UTF-8 of a UTF-16 text, for failure messages.
//   SCOPED_TRACE(utf8(c.text));
inline std::string utf8(std::u16string_view text) {
  return String(text).toUtf8();
}

// The characters of `s`, or u"<nil>", so that nil and empty compare apart.
//   EXPECT_EQ(textOf(decode(bytes)), u"<nil>");
inline std::u16string textOf(const String& s) {
  return s.isNil() ? u"<nil>" : s.toU16String();
}

// The characters of each string.
inline std::vector<std::u16string> textsOf(const std::vector<String>& strings) {
  std::vector<std::u16string> out;
  for (const String& s : strings) out.push_back(textOf(s));
  return out;
}

}  // namespace orvin::test
