// Test support: a real folder under /tmp, removed with its content when the
// test ends, and plain file helpers that bypass the code under test.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace orvin::test {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = "/tmp/orvin-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      // Without it every path below would start at "/".
      std::perror("no temporary folder");
      std::abort();
    }
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);  // root may remove read-only folders
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  [[nodiscard]] const std::string& path() const { return path_; }
  [[nodiscard]] std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // The names in folder `sub` ("" for the folder itself), sorted.
  [[nodiscard]] std::vector<std::string> names(const std::string& sub = "") const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(path_ + "/" + sub)) {
      out.push_back(entry.path().filename().string());
    }
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  std::string path_;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline mode_t modeOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

}  // namespace orvin::test
