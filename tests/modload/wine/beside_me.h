// The bytes of a file that sits beside the test program.
#pragma once

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

namespace trivex::modload {

inline std::string besideMe(const char* name) {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path, n);
    p = p.substr(0, p.find_last_of('\\') + 1) + name;
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace trivex::modload
