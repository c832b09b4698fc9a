// Parts of the program, and libraries, that are loaded only when they are
// needed: each costs every run that loads it at start, and most runs never
// use them.
#pragma once

#include <string>

namespace wendlock {

// The symbol `symbol` of the program's module `file`, loaded on the first
// call and kept: from $WENDLOCK_MODULE_DIR when set (tests), else the
// installed library folder relative to the program, else beside the program
// (a build tree). Every symbol is bound when it loads, so a module that does
// not fit this program fails here. nullptr with the reason in *why.
//   auto entry = moduleSymbol("wendlock-gtk.so", "wendlock_open_desktop", &why);
[[nodiscard]] void* moduleSymbol(const char* file, const char* symbol, std::string* why);

// The same for a library of the system, by its file name (the loader's
// search path finds it).
//   librarySymbol("libgio-2.0.so.0", "g_file_new_for_path", &why)
[[nodiscard]] void* librarySymbol(const char* soname, const char* symbol, std::string* why);

}  // namespace wendlock
