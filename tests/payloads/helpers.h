// Helpers for the payload tool tests: temporary folders, files, commands.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace trivex::test {

namespace fs = std::filesystem;

inline std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeAll(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Runs a shell command; returns its exit code, output (stdout and stderr) in `out`.
inline int run(const std::string& command, std::string& out) {
    out.clear();
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return -1;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string quote(const fs::path& p) { return "'" + p.string() + "'"; }

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir() {
        std::string templ = (fs::temp_directory_path() / "trivex-payload-XXXXXX").string();
        path_ = mkdtemp(templ.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

// The file `name` of a FAT image, read back with mtools.
inline std::string mtype(const fs::path& image, const std::string& name, int* rc = nullptr) {
    std::string out;
    const int code = run("MTOOLS_SKIP_CHECK=1 mtype -i " + quote(image) + " '::" + name + "' 2>/dev/null", out);
    if (rc) *rc = code;
    return out;
}

inline uint32_t le(const std::string& b, size_t at, int width) {
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

}  // namespace trivex::test
