// Every test process works in an empty scratch folder, so that a file
// written to a relative (or garbled) path lands there instead of in the
// tree the tests were started from, and is reported as a failure.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class StrayFileGuard : public ::testing::Environment {
 public:
  void SetUp() override {
    std::error_code error;
    started_ = std::filesystem::current_path(error);
    std::string pattern = "/tmp/orvin-cwd-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0) {
      std::perror("no scratch working folder");
      std::abort();  // running on would let stray files reach the caller's folder
    }
    scratch_ = pattern;
  }

  void TearDown() override {
    std::error_code error;
    std::string left;
    for (const auto& entry : std::filesystem::directory_iterator(scratch_, error)) {
      left += " \"" + entry.path().filename().string() + "\"";
    }
    EXPECT_EQ(left, "") << "files written to the working folder (relative or garbled paths)";
    if (!started_.empty()) std::filesystem::current_path(started_, error);
    std::filesystem::remove_all(scratch_, error);
  }

 private:
  std::filesystem::path started_;
  std::string scratch_;
};

[[maybe_unused]] const auto* const guard = ::testing::AddGlobalTestEnvironment(new StrayFileGuard);

}  // namespace
