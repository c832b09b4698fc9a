#include "service/platform/Module.h"

#include <gmodule.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <system_error>

#include "service/platform/Bundle.h"

namespace wendlock {
namespace {

std::filesystem::path modulePath(const char* file) {
  if (const char* forced = std::getenv("WENDLOCK_MODULE_DIR"); forced != nullptr && *forced) {
    return std::filesystem::path(forced) / file;
  }
  const std::filesystem::path program = programDirectory();
  const std::filesystem::path installed = program / WENDLOCK_MODULE_RELATIVE_DIR / file;
  std::error_code error;
  if (std::filesystem::is_regular_file(installed, error)) return installed.lexically_normal();
  return program / file;
}

// Each file is opened once; a failure is remembered with its reason.
struct Opened {
  GModule* module = nullptr;
  std::string why;
};

void* symbolOf(const std::string& path, const char* symbol, std::string* why) {
  static auto* opened = new std::map<std::string, Opened>();
  auto [it, first] = opened->try_emplace(path);
  Opened& o = it->second;
  if (first) {
    o.module = g_module_open(path.c_str(), G_MODULE_BIND_LOCAL);
    if (o.module == nullptr) {
      o.why = g_module_error();
    } else {
      // Its code stays in use until the process ends.
      g_module_make_resident(o.module);
    }
  }
  gpointer found = nullptr;
  if (o.module == nullptr) {
    *why = o.why;
  } else if (!g_module_symbol(o.module, symbol, &found) || found == nullptr) {
    *why = path + " has no " + symbol;
  }
  return found;
}

}  // namespace

void* moduleSymbol(const char* file, const char* symbol, std::string* why) {
  return symbolOf(modulePath(file).string(), symbol, why);
}

void* librarySymbol(const char* soname, const char* symbol, std::string* why) {
  return symbolOf(soname, symbol, why);
}

}  // namespace wendlock
