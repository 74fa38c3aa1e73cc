// What the contract suite's test tool does, read from its arguments; shared
// by the real tool (tool_main.cpp, run under Wine) and its simulated twin.
//   out N    writes N bytes ("abc…z" over and over) to standard output
//   err N    writes N bytes ("ABC…Z" over and over) to standard error, after the output
//   gbk      writes the GBK text "启动配置数据存储" to standard output
//   exit K   ends with exit code K (0 otherwise)
//   sleep M  waits M ms after writing, before it ends
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

namespace trivex::contract {

struct ToolScript {
    std::string out, err;
    uint32_t exitCode = 0;
    uint32_t sleepMs = 0;
};

inline std::string toolPattern(char first, size_t n) {
    std::string s(n, ' ');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(first + i % 26);
    return s;
}

inline ToolScript toolScript(const std::string& arguments) {
    ToolScript t;
    size_t at = 0;
    auto word = [&]() {
        while (at < arguments.size() && arguments[at] == ' ') ++at;
        const size_t start = at;
        while (at < arguments.size() && arguments[at] != ' ') ++at;
        return arguments.substr(start, at - start);
    };
    for (std::string w = word(); !w.empty(); w = word()) {
        if (w == "gbk") {
            t.out += "启动配置数据存储";
            continue;
        }
        const unsigned long n = std::strtoul(word().c_str(), nullptr, 10);
        if (w == "out") t.out += toolPattern('a', n);
        else if (w == "err") t.err += toolPattern('A', n);
        else if (w == "exit") t.exitCode = static_cast<uint32_t>(n);
        else if (w == "sleep") t.sleepMs = static_cast<uint32_t>(n);
    }
    return t;
}

}  // namespace trivex::contract
