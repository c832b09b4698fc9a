#include "support/Log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <string>

namespace orvin {
namespace {

TEST(Log, LineCarriesStampProcessAndMessage) {
  const std::string line = logLine(String(u"grüß dich"));
  const std::regex shape(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} [^ \[]+\[\d+:\d+\] grüß dich)");
  EXPECT_TRUE(std::regex_match(line, shape)) << line;
  EXPECT_NE(line.find("[" + std::to_string(getpid()) + ":"), std::string::npos);
}

TEST(Log, WritesOneFormattedLineToStandardError) {
  testing::internal::CaptureStderr();
  NSLog(u"%@: %fs", {String(u"load"), 0.25});
  const std::string err = testing::internal::GetCapturedStderr();
  ASSERT_FALSE(err.empty());
  EXPECT_EQ(err.back(), '\n');
  EXPECT_NE(err.find("] load: 0.250000s\n"), std::string::npos) << err;
  EXPECT_EQ(err.find('\n'), err.size() - 1);
}

}  // namespace
}  // namespace orvin
