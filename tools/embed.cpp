// trivex_embed: gathers every payload of the program and embeds them.
//
//   trivex_embed --source PAYLOADS_SOURCE_DIR --standins DIR --supplied DIR --out DIR
//
// For each payload it takes the builder's supplied file (fixed names in the
// supplied folder, letter case ignored) or the project's stand-in, makes the
// loader and the DOS image from their parts (the DOS side's sources in
// PAYLOADS_SOURCE_DIR/dos, filled in from the hand-off), and writes into the
// out folder:
//   <Name>.bin          the payload's bytes, exactly as written out
//   payloads.S          the payload records (u32 1, u32 length, bytes) in read-only data
//   payload_table.cpp   name, target, origin and record of every payload
//   payloads.txt        the table printed below
// Files are only rewritten when their content changes, so the step can run
// on every build without causing recompilation.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "payloads/targets.h"
#include "payload/bytes.h"
#include "payload/dos_image.h"
#include "payload/gbk.h"
#include "payload/handoff_text.h"
#include "payload/loader_patch.h"

namespace fs = std::filesystem;
using namespace trivex::tools;

namespace {

enum class Origin { Supplied, StandIn, Own };

struct Payload {
    std::string name;    // the enumerator of trivex::payloads::Payload
    std::string target;  // where the program writes it; empty: used from memory only
    Origin origin = Origin::StandIn;
    Bytes data;
    std::string detail;  // shown under the table
};

struct Dirs {
    std::string source, standins, supplied, out;
};

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "trivex_embed: error: %s\n", what.c_str());
    std::exit(1);
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The supplied file of that name, letter case ignored; empty when absent.
std::string findSupplied(const Dirs& d, const std::string& name) {
    std::string found;
    std::error_code ec;
    if (!isDirectory(d.supplied)) return found;
    for (const auto& item : fs::directory_iterator(d.supplied, ec)) {
        if (upper(item.path().filename().string()) != upper(name) || !item.is_regular_file()) continue;
        if (!found.empty()) fail("the supplied folder holds " + name + " twice (in different letter case)");
        found = item.path().string();
    }
    return found;
}

Bytes load(const std::string& path) {
    Bytes b;
    std::string err;
    if (!readFile(path, b, err)) fail(err);
    return b;
}

// A supplied outside product, or our stand-in (empty stand-in path: an empty placeholder).
Payload product(const Dirs& d, const std::string& name, const std::string& target, const std::string& file,
                const std::string& standIn) {
    Payload p{name, target, Origin::StandIn, {}, {}};
    const std::string supplied = findSupplied(d, file);
    if (!supplied.empty()) {
        p.origin = Origin::Supplied;
        p.data = load(supplied);
    } else if (!standIn.empty()) {
        p.data = load(d.standins + "/" + standIn);
    }
    return p;
}

Payload loader(const Dirs& d, const Bytes& menu) {
    Payload p = product(d, "Loader", trivex::payloads::kLoaderTarget, "grldr", "grldr");
    if (p.origin == Origin::Supplied) {
        LoaderPatch patch;
        std::string err;
        if (!patchLoader(p.data, menu, patch, err)) fail("supplied grldr: " + err);
        p.data = std::move(patch.loader);
        for (const std::string& n : patch.notes) p.detail += "    " + n + "\n";
    } else {
        p.data.insert(p.data.end(), menu.begin(), menu.end());  // the stand-in's boot sector, then the list
    }
    if (p.data.size() < menu.size() || !std::equal(menu.begin(), menu.end(), p.data.end() - static_cast<std::ptrdiff_t>(menu.size())))
        fail("the loader payload does not end with the preset command list");
    return p;
}

// The loader's boot-sector file: the boot manager loads it to 0000:7C00 and
// jumps there, so it must at least be a boot sector (55 AA at offset 510).
// A supplied one looks for the loader by the store route's name of it.
Payload loaderMbr(const Dirs& d) {
    Payload p = product(d, "LoaderMbr", trivex::payloads::kLoaderMbrTarget, "grldr.mbr", "grldr.mbr");
    if (p.data.size() < 512 || p.data[510] != 0x55 || p.data[511] != 0xAA)
        fail(std::string(p.origin == Origin::Supplied ? "supplied" : "stand-in") +
             " grldr.mbr: not a boot-sector file (no 55 AA at offset 510)");
    if (p.origin == Origin::Supplied) {
        LoaderPatch patch;
        std::string err;
        if (!patchLoaderMbr(p.data, upper(trivex::handoff::kStoreLoaderName), patch, err)) fail("supplied grldr.mbr: " + err);
        p.data = std::move(patch.loader);
        for (const std::string& n : patch.notes) p.detail += "    " + n + "\n";
    }
    return p;
}

Payload dosImage(const Dirs& d) {
    DosImageInputs in{d.source + "/dos", d.standins + "/RESTART.COM", d.standins + "/JOBTOOL.COM",
                      d.standins + "/VOLSCAN.COM", d.standins + "/bootsect.bin", ""};
    if (isDirectory(d.supplied))
        for (const auto& item : fs::directory_iterator(d.supplied))
            if (upper(item.path().filename().string()) == "DOS" && item.is_directory()) in.suppliedDos = item.path().string();
    DosImageResult r;
    std::string err;
    if (!buildDosImage(in, r, err)) fail("DOS boot image: " + err);
    Payload p{"DosImage", trivex::payloads::kDosImageTarget, r.complete() ? Origin::Supplied : Origin::StandIn, std::move(r.image), {}};
    p.detail = std::string("    boot sector: ") +
               (r.suppliedBootSector ? "supplied dos/BOOTSECT.BIN" : "own (says the DOS system files are missing)") + "\n";
    if (!r.missingChainFiles.empty()) {
        p.detail += "    start-up chain files not supplied:";
        for (const std::string& f : r.missingChainFiles) p.detail += " " + f;
        p.detail += "\n";
    }
    for (const std::string& n : r.notes) p.detail += "    " + n + "\n";
    return p;
}

Payload probeScript(const Dirs& d) {
    const std::string path = d.source + "/probe/fqs.bat";
    Bytes utf8 = load(path);
    for (size_t i = 0; i < utf8.size(); ++i)
        if ((utf8[i] == '\n' && (i == 0 || utf8[i - 1] != '\r')) ||
            (utf8[i] == '\r' && (i + 1 == utf8.size() || utf8[i + 1] != '\n')))
            fail(path + ": line ends changed (CR LF between lines, none after the last)");
    if (utf8.size() >= 2 && utf8[utf8.size() - 1] == '\n') fail(path + ": the last line must have no line end");
    Payload p{"ProbeScript", trivex::payloads::kProbeScriptTarget, Origin::Own, {}, {}};
    std::string err;
    if (!utf8ToGbk(utf8, p.data, err)) fail(path + ": " + err);
    return p;
}

const char* originText(Origin o) {
    switch (o) {
        case Origin::Supplied: return "supplied";
        case Origin::StandIn: return "stand-in";
        case Origin::Own: return "own";
    }
    return "?";
}

const char* originEnum(Origin o) {
    switch (o) {
        case Origin::Supplied: return "Origin::Supplied";
        case Origin::StandIn: return "Origin::StandIn";
        case Origin::Own: return "Origin::Own";
    }
    return "?";
}

std::string cString(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

uint64_t fnv1a(const std::vector<Payload>& all) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (const Payload& p : all)
        for (uint8_t b : p.data) h = (h ^ b) * 0x100000001b3ull;
    return h;
}

std::string assembly(const Dirs& d, const std::vector<Payload>& all) {
    char hash[32];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(all)));
    std::string s =
        "/* Generated by trivex_embed: the payload records, each u32 1, u32 length, bytes.\n"
        "   Content hash " + std::string(hash) + " (a change of any payload changes this file). */\n"
        "#if defined(__ELF__)\n"
        "        .section .rodata.trivex_payloads,\"a\",@progbits\n"
        "#else\n"
        "        .section .rdata,\"dr\"\n"
        "#endif\n";
    for (const Payload& p : all) {
        const std::string sym = "trivex_payload_" + p.name;
        s += "\n        .balign 16\n        .globl " + sym + "\n" + sym + ":\n";
        s += "        .long 1\n        .long " + std::to_string(p.data.size()) + "\n";
        s += "        .incbin " + cString(fs::absolute(d.out + "/" + p.name + ".bin").string()) + "\n";
    }
    s += "\n#if defined(__ELF__)\n        .section .note.GNU-stack,\"\",@progbits\n#endif\n";
    return s;
}

std::string tableSource(const std::vector<Payload>& all) {
    std::string s =
        "// Generated by trivex_embed: the payloads of this build.\n"
        "#include \"payloads/store_table.h\"\n\n";
    for (const Payload& p : all)
        s += "extern \"C\" const unsigned char trivex_payload_" + p.name + "[] __asm__(\"trivex_payload_" + p.name + "\");\n";
    s += "\nnamespace trivex::payloads::detail {\n\n";
    for (size_t i = 0; i < all.size(); ++i)
        s += "static_assert(static_cast<int>(Payload::" + all[i].name + ") == " + std::to_string(i) + ");\n";
    s += "\nconst Entry kEntries[kPayloadCount] = {\n";
    for (const Payload& p : all)
        s += "    {Payload::" + p.name + ", " + cString(p.name) + ", " + cString(p.target) + ", " + originEnum(p.origin) +
             ", trivex_payload_" + p.name + "},\n";
    s += "};\n\n}  // namespace trivex::payloads::detail\n";
    return s;
}

std::string tableText(const Dirs& d, const std::vector<Payload>& all) {
    char line[160];
    std::string s = "Trivex payloads (supplied folder: " + d.supplied + (isDirectory(d.supplied) ? "" : ", absent") + ")\n";
    std::snprintf(line, sizeof line, "  %-12s %-15s %-9s %9s\n", "payload", "target", "origin", "bytes");
    s += line;
    for (const Payload& p : all) {
        std::snprintf(line, sizeof line, "  %-12s %-15s %-9s %9zu\n", p.name.c_str(),
                      p.target.empty() ? "(memory)" : p.target.c_str(), originText(p.origin), p.data.size());
        s += line;
        s += p.detail;
    }
    std::string boot;
    for (const Payload& p : all)
        if ((p.name == "Loader" || p.name == "GhostDos" || p.name == "DosImage") && p.origin == Origin::StandIn)
            boot += (boot.empty() ? "" : ", ") + p.name;
    s += boot.empty() ? "  Boot path complete: no stand-in on it.\n"
                      : "  DEMO BUILD: stand-ins on the boot path (" + boot + ").\n";
    for (const Payload& p : all)
        if (p.name == "LoaderMbr" && p.origin == Origin::StandIn)
            s += "  Windows Vista and later also boot through LoaderMbr, a stand-in: a demo build there.\n";
    return s;
}

void put(const std::string& path, const Bytes& data) {
    std::string err;
    if (!writeIfDifferent(path, data, err)) fail(err);
}

}  // namespace

int main(int argc, char** argv) try {
    std::map<std::string, std::string> arg;
    for (int i = 1; i + 1 < argc; i += 2) arg[argv[i]] = argv[i + 1];
    if (argc != 9 || !arg.count("--source") || !arg.count("--standins") || !arg.count("--supplied") || !arg.count("--out")) {
        std::fprintf(stderr, "usage: trivex_embed --source DIR --standins DIR --supplied DIR --out DIR\n");
        return 2;
    }
    const Dirs d{arg["--source"], arg["--standins"], arg["--supplied"], arg["--out"]};
    fs::create_directories(d.out);

    Bytes list, menu;
    std::string err;
    if (!readHandoffSource(d.source + "/dos/preset_menu.lst", list, err) || !presetMenuFromText(list, menu, err))
        fail(err);

    // In the order of trivex::payloads::Payload.
    std::vector<Payload> all;
    all.push_back(loader(d, menu));
    all.push_back(product(d, "GhostDos", trivex::payloads::kGhostDosTarget, "ghost.exe", "ghost.exe"));
    all.push_back(dosImage(d));
    all.push_back(probeScript(d));
    all.push_back(product(d, "Skin", "", "skin.she", "trivex.skin"));
    all.push_back(product(d, "SkinLibrary", "", "SkinH_EL.dll", "trivex_skin.dll"));
    all.push_back(product(d, "Ghost32", trivex::payloads::kGhost32Target, "Ghost32.exe", "Ghost32.exe"));
    all.push_back(loaderMbr(d));

    for (const Payload& p : all) put(d.out + "/" + p.name + ".bin", p.data);
    put(d.out + "/payloads.S", bytesOf(assembly(d, all)));
    put(d.out + "/payload_table.cpp", bytesOf(tableSource(all)));
    const std::string table = tableText(d, all);
    put(d.out + "/payloads.txt", bytesOf(table));
    std::fputs(table.c_str(), stdout);
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "trivex_embed: error: %s\n", e.what());
    return 1;
}
