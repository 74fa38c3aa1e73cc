// trivex_pe_imports <file.exe>
//
// Reads a 32-bit Windows executable (PE32) and prints what the loader will
// need from the system to start it:
//
//   subsystem <major>.<minor>
//   os <major>.<minor>
//   import <dll>!<function>      one line per function imported by name
//   import <dll>!#<ordinal>      one line per function imported by ordinal
//
// DLL names are printed in lower case. Every offset and size read from the
// file is checked against the file's bounds; a file that is not a well-formed
// PE32 image ends with a message on standard error and exit code 1.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint32_t kImportDirectory = 1;
constexpr size_t kMaxImportsPerDll = 100000;
constexpr size_t kMaxDlls = 4096;
constexpr size_t kMaxNameLength = 4096;

struct BadFile {
    std::string why;
};

class Image {
public:
    explicit Image(Bytes bytes) : b_(std::move(bytes)) {}

    uint16_t u16(uint64_t off) const {
        need(off, 2);
        return static_cast<uint16_t>(b_[off] | b_[off + 1] << 8);
    }
    uint32_t u32(uint64_t off) const {
        need(off, 4);
        return static_cast<uint32_t>(b_[off]) | static_cast<uint32_t>(b_[off + 1]) << 8 |
               static_cast<uint32_t>(b_[off + 2]) << 16 | static_cast<uint32_t>(b_[off + 3]) << 24;
    }
    // A zero-terminated name starting at `off`; the zero must lie in the file.
    std::string name(uint64_t off) const {
        std::string out;
        for (;; ++off) {
            need(off, 1);
            if (b_[off] == 0) return out;
            if (out.size() >= kMaxNameLength) throw BadFile{"a name is longer than " + std::to_string(kMaxNameLength)};
            out += static_cast<char>(b_[off]);
        }
    }
    void need(uint64_t off, uint64_t n) const {
        if (off > b_.size() || n > b_.size() - off) throw BadFile{"reads past the end of the file"};
    }

private:
    Bytes b_;
};

struct Section {
    uint32_t rva, virtualSize, rawOffset, rawSize;
};

struct Headers {
    uint16_t subsystemMajor, subsystemMinor, osMajor, osMinor;
    uint32_t importRva = 0, importSize = 0;
    std::vector<Section> sections;
};

Headers readHeaders(const Image& img) {
    if (img.u16(0) != 0x5A4D) throw BadFile{"no MZ signature"};
    const uint32_t pe = img.u32(0x3C);
    if (img.u32(pe) != 0x00004550) throw BadFile{"no PE signature"};
    const uint64_t coff = uint64_t{pe} + 4;
    const uint16_t sectionCount = img.u16(coff + 2);
    const uint16_t optionalSize = img.u16(coff + 16);
    const uint64_t opt = coff + 20;
    if (img.u16(opt) != kPe32Magic) throw BadFile{"not a PE32 (32-bit) image"};
    if (optionalSize < 96) throw BadFile{"optional header too small"};
    img.need(opt, optionalSize);
    Headers h{};
    h.osMajor = img.u16(opt + 40);
    h.osMinor = img.u16(opt + 42);
    h.subsystemMajor = img.u16(opt + 48);
    h.subsystemMinor = img.u16(opt + 50);
    const uint32_t dirCount = img.u32(opt + 92);
    if (dirCount > kImportDirectory && uint64_t{96} + 8 * (kImportDirectory + 1) <= optionalSize) {
        h.importRva = img.u32(opt + 96 + 8 * kImportDirectory);
        h.importSize = img.u32(opt + 96 + 8 * kImportDirectory + 4);
    }
    const uint64_t table = opt + optionalSize;
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const uint64_t s = table + uint64_t{i} * 40;
        img.need(s, 40);
        h.sections.push_back({img.u32(s + 12), img.u32(s + 8), img.u32(s + 20), img.u32(s + 16)});
    }
    return h;
}

// File offset of an address of the loaded image, if some section holds it in the file.
std::optional<uint64_t> offsetOf(const Headers& h, uint32_t rva) {
    for (const Section& s : h.sections) {
        const uint32_t span = s.virtualSize ? s.virtualSize : s.rawSize;
        if (rva >= s.rva && uint64_t{rva} - s.rva < span && uint64_t{rva} - s.rva < s.rawSize)
            return uint64_t{s.rawOffset} + (rva - s.rva);
    }
    return std::nullopt;
}

uint64_t mustOffset(const Headers& h, uint32_t rva, const char* what) {
    std::optional<uint64_t> off = offsetOf(h, rva);
    if (!off) throw BadFile{std::string(what) + " lies outside every section"};
    return *off;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> readImports(const Image& img, const Headers& h) {
    std::vector<std::string> out;
    if (h.importRva == 0) return out;
    uint64_t desc = mustOffset(h, h.importRva, "the import directory");
    for (size_t n = 0;; ++n, desc += 20) {
        if (n >= kMaxDlls) throw BadFile{"import directory without an end"};
        const uint32_t lookup = img.u32(desc), nameRva = img.u32(desc + 12), iat = img.u32(desc + 16);
        if (lookup == 0 && nameRva == 0 && iat == 0) break;
        const std::string dll = lower(img.name(mustOffset(h, nameRva, "a DLL name")));
        // The lookup table; old linkers leave it out and only the address table holds the names.
        uint64_t thunk = mustOffset(h, lookup ? lookup : iat, "an import lookup table");
        for (size_t k = 0;; ++k, thunk += 4) {
            if (k >= kMaxImportsPerDll) throw BadFile{"import lookup table without an end"};
            const uint32_t entry = img.u32(thunk);
            if (entry == 0) break;
            if (entry & 0x80000000u) {
                out.push_back(dll + "!#" + std::to_string(entry & 0xFFFF));
            } else {
                // Hint (2 bytes), then the name.
                out.push_back(dll + "!" + img.name(mustOffset(h, entry, "an imported name") + 2));
            }
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: trivex_pe_imports <file.exe>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "trivex_pe_imports: cannot open %s\n", argv[1]);
        return 1;
    }
    Image img(Bytes(std::istreambuf_iterator<char>(in), {}));
    try {
        const Headers h = readHeaders(img);
        const std::vector<std::string> imports = readImports(img, h);
        std::printf("subsystem %u.%u\n", h.subsystemMajor, h.subsystemMinor);
        std::printf("os %u.%u\n", h.osMajor, h.osMinor);
        for (const std::string& i : imports) std::printf("import %s\n", i.c_str());
    } catch (const BadFile& e) {
        std::fprintf(stderr, "trivex_pe_imports: %s: %s\n", argv[1], e.why.c_str());
        return 1;
    }
    return 0;
}
