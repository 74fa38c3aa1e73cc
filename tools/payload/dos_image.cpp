#include "dos_image.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "fat12.h"
#include "handoff_text.h"
#include "payloads/handoff.h"

namespace fs = std::filesystem;

namespace trivex::tools {
namespace {

constexpr const char* kVolumeLabel = "GHOST 2003";
constexpr const char* kBootSectorFile = "BOOTSECT.BIN";

// The image's own text files and whether their last line ends with CR LF.
struct OwnScript {
    const char* name;
    bool finalLineEnd;
};
constexpr OwnScript kScripts[] = {
    {"MSDOS.SYS", true},  {"CONFIG.SYS", true}, {"AUTOEXEC.BAT", false}, {"NTFS.BAT", false},
    {"MENU.BAT", false},  {"TOKEN.BAT", true},  {"DRIVE.BAT", false},    {"JOBFILE.BAT", false},
    {"RECORD.BAT", false}, {"VOLUMES.BAT", false}, {"VOLSTOP.BAT", false},
};

bool isOwnFile(const std::string& name) {
    if (name == "RESTART.COM" || name == "JOBTOOL.COM" || name == "VOLSCAN.COM") return true;
    return std::any_of(std::begin(kScripts), std::end(kScripts),
                       [&](const OwnScript& s) { return name == s.name; });
}

// Every line ends with CR LF, no CR or LF stands alone, and the last line
// ends (or does not) as the script requires.
bool hasExactLineEnds(const Bytes& text, bool finalLineEnd) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) return false;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    }
    const bool ends = text.size() >= 2 && text[text.size() - 2] == '\r' && text.back() == '\n';
    return !text.empty() && ends == finalLineEnd;
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Reads a supplied folder into entries, sorted by name, files before folders.
bool readFolder(const fs::path& dir, const std::string& shown, bool top, std::vector<FatEntry>& out,
                DosImageResult& result, std::string& err) {
    std::vector<fs::directory_entry> items;
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(dir, ec)) items.push_back(item);
    if (ec) {
        err = "cannot list " + dir.string() + ": " + ec.message();
        return false;
    }
    std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
        const bool da = a.is_directory(), db = b.is_directory();
        return da != db ? db : upper(a.path().filename().string()) < upper(b.path().filename().string());
    });
    for (const auto& item : items) {
        const std::string original = item.path().filename().string();
        const std::string name = upper(original);
        if (original.starts_with(".")) {
            result.notes.push_back(shown + original + " left out (hidden file of the build machine)");
            continue;
        }
        if (top && name == kBootSectorFile) continue;
        if (top && isOwnFile(name)) {
            result.notes.push_back(shown + original + " left out: the image's own " + name + " is used");
            continue;
        }
        if (!isDosName(name)) {
            err = shown + original + ": not a DOS 8.3 name (the image holds no long file names)";
            return false;
        }
        FatEntry e;
        e.name = name;
        if (item.is_directory()) {
            e.directory = true;
            if (!readFolder(item.path(), shown + original + "/", false, e.children, result, err)) return false;
        } else if (!readFile(item.path().string(), e.data, err)) {
            return false;
        }
        out.push_back(std::move(e));
    }
    return true;
}

bool contains(const std::vector<FatEntry>& entries, const std::string& path) {
    const auto slash = path.find('\\');
    const std::string head = path.substr(0, slash);
    for (const FatEntry& e : entries) {
        if (e.name != head) continue;
        if (slash == std::string::npos) return !e.directory;
        return e.directory && contains(e.children, path.substr(slash + 1));
    }
    return false;
}

// Moves the named entry to the end of `to`, if `from` holds it.
void takeInto(std::vector<FatEntry>& from, const std::string& name, std::vector<FatEntry>& to) {
    auto it = std::find_if(from.begin(), from.end(), [&](const FatEntry& e) { return e.name == name; });
    if (it == from.end()) return;
    to.push_back(std::move(*it));
    from.erase(it);
}

size_t occurrences(const Bytes& haystack, const std::string& needle) {
    size_t n = 0;
    for (auto it = haystack.begin();
         (it = std::search(it, haystack.end(), needle.begin(), needle.end())) != haystack.end(); ++it)
        ++n;
    return n;
}

}  // namespace

const std::vector<std::string>& dosChainFiles() {
    static const std::vector<std::string> kChain = {
        "IO.SYS",     "COMMAND.COM", "HIMEM.SYS",  "SMARTDRV.EXE", "XMSDSK.EXE", "ATTRIB.COM",
        "TW.EXE",     "HDPMI32.EXE", "NDOS.EXE",   "NDLIST.EXE",   "XMSMAN.EXE", "NLS\\936.CPI",
    };
    return kChain;
}

bool buildDosImage(const DosImageInputs& in, DosImageResult& out, std::string& err) {
    out = DosImageResult{};

    // Supplied files, if any.
    std::vector<FatEntry> supplied;
    Bytes bootSector;
    if (!in.suppliedDos.empty() && isDirectory(in.suppliedDos)) {
        if (!readFolder(in.suppliedDos, "dos/", true, supplied, out, err)) return false;
        for (const auto& item : fs::directory_iterator(in.suppliedDos)) {
            if (upper(item.path().filename().string()) != kBootSectorFile) continue;
            if (!readFile(item.path().string(), bootSector, err)) return false;
            if (bootSector.size() != 512 || bootSector[0] != 0xEB || bootSector[1] != 0x3C ||
                bootSector[2] != 0x90 || bootSector[510] != 0x55 || bootSector[511] != 0xAA) {
                err = "dos/" + item.path().filename().string() +
                      ": expected the 512-byte boot sector of a DOS floppy (EB 3C 90 ... 55 AA)";
                return false;
            }
            out.suppliedBootSector = true;
        }
    }
    if (!out.suppliedBootSector && !readFile(in.ownBootSector, bootSector, err)) return false;

    // Our own files with the hand-off's values filled in, checked so that an
    // editor or a checkout cannot change their bytes unseen.
    const std::string tokenLine = handoff::kTokenPlaceholder.text;
    std::vector<FatEntry> own;
    for (const OwnScript& s : kScripts) {
        FatEntry e{s.name, false, {}, {}};
        if (!readHandoffSource(in.scriptDir + "/" + s.name, e.data, err)) return false;
        if (!hasExactLineEnds(e.data, s.finalLineEnd)) {
            err = in.scriptDir + "/" + s.name + ": line ends changed (every line must end with CR LF" +
                  (s.finalLineEnd ? ")" : ", except the last, which has none)");
            return false;
        }
        if (e.name == "TOKEN.BAT" && e.data != bytesOf(tokenLine + "\r\n")) {
            err = in.scriptDir + "/TOKEN.BAT: must be exactly the line \"" + tokenLine +
                  "\" (the job writes its token over the question marks)";
            return false;
        }
        own.push_back(std::move(e));
    }
    for (const auto& [name, path] : {std::pair{"RESTART.COM", &in.restartCom}, {"JOBTOOL.COM", &in.jobtoolCom},
                                       {"VOLSCAN.COM", &in.volscanCom}}) {
        FatEntry program{name, false, {}, {}};
        if (!readFile(*path, program.data, err)) return false;
        own.push_back(std::move(program));
    }

    // Root order: the system files first (the boot sector looks for IO.SYS),
    // then our files, then the rest of the supplied ones.
    std::vector<FatEntry> root;
    takeInto(supplied, "IO.SYS", root);
    takeInto(own, "MSDOS.SYS", root);
    takeInto(supplied, "COMMAND.COM", root);
    for (FatEntry& e : own) root.push_back(std::move(e));
    for (FatEntry& e : supplied) root.push_back(std::move(e));

    for (const std::string& f : dosChainFiles())
        if (!contains(root, f)) out.missingChainFiles.push_back(f);

    FatVolume volume;
    volume.bootSector = std::move(bootSector);
    volume.label = kVolumeLabel;
    volume.root = std::move(root);
    if (!buildFat12(volume, out.image, err)) return false;

    // The job finds the place of its token by this text: exactly one.
    const size_t tokens = occurrences(out.image, tokenLine);
    if (tokens != 1) {
        err = "the image holds the token text \"" + tokenLine + "\" " +
              std::to_string(tokens) + " times, not once (a supplied file holds it too?)";
        return false;
    }
    return true;
}

}  // namespace trivex::tools
