// Test support: build the same text in either storage form, so that every
// operation is exercised through the direct pointer and through the copy.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

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
};

#define INSTANTIATE_FORMS(Suite)                                                                 \
  INSTANTIATE_TEST_SUITE_P(                                                                      \
      Forms, Suite, ::testing::Values(::orvin::test::Form::Utf16, ::orvin::test::Form::Compact), \
      [](const auto& info) { return std::string(::orvin::test::formName(info.param)); })

}  // namespace orvin::test
