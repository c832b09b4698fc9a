// Test support: one environment variable set (or unset) for the life of an
// object, with the old value put back afterwards. For variables the code
// under test reads on every call.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

namespace orvin::test {

class ScopedEnv {
 public:
  // nullptr unsets it.
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace orvin::test
