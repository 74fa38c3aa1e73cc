#include "loader_patch.h"

#include <algorithm>
#include <cstring>

namespace trivex::tools {
namespace {

constexpr size_t kStartupSize = 0x2000;        // grldrstart
constexpr uint32_t kStage2Address = 0x8200;    // where pre_stage2 is loaded
constexpr size_t kConfigNameAt = 0x17;         // in pre_stage2
constexpr size_t kMenuPointerAt = 0x6C;        // in pre_stage2
constexpr uint8_t kSignature[4] = {0xB0, 0x02, 0x1A, 0xCE};
constexpr size_t kSignatureArea = 16;          // signature + 12 zero bytes
constexpr size_t kMaxMenu = 4096;              // the loader copies at most 4 KB of menu
constexpr char kOldName[] = "menu.lst";
constexpr char kNewName[] = "menu.ls1";
constexpr size_t kNameLen = sizeof kOldName - 1;

std::string where(size_t at, size_t configNameAt) {
    if (at < kStartupSize) return "boot record, " + hex(at);
    if (at == configNameAt) return "default configuration file, " + hex(at);
    return "stage2, " + hex(at);
}

}  // namespace

bool presetMenuFromText(const Bytes& text, Bytes& menu, std::string& err) {
    if (text.empty() || text.back() != '\n') {
        err = "the preset command list must be LF-ended lines (the last one too)";
        return false;
    }
    for (uint8_t c : text)
        if (c == '\r' || c == 0) {
            err = "the preset command list must hold no CR and no zero byte";
            return false;
        }
    menu = text;
    menu.push_back(0);
    if (menu.size() > kMaxMenu) {
        err = "the preset command list is longer than the loader's 4 KB";
        return false;
    }
    return true;
}

bool patchLoader(const Bytes& grldr, const Bytes& menu, LoaderPatch& out, std::string& err) {
    out = LoaderPatch{};
    const std::string refuse = "not a GRUB4DOS grldr of the expected layout: ";

    if (grldr.size() < kStartupSize + kMenuPointerAt + 4) {
        err = refuse + "the file is too short (" + std::to_string(grldr.size()) + " bytes)";
        return false;
    }
    const uint32_t pointer = getU32(grldr, kStartupSize + kMenuPointerAt);
    if (pointer < kStage2Address + kMenuPointerAt + 4 ||
        kStartupSize + (pointer - kStage2Address) + kSignatureArea > grldr.size()) {
        err = refuse + "the preset menu pointer at " + hex(kStartupSize + kMenuPointerAt) + " (" + hex(pointer) +
              ") does not point into the file";
        return false;
    }
    const size_t signatureAt = kStartupSize + (pointer - kStage2Address);
    if (!std::equal(std::begin(kSignature), std::end(kSignature), grldr.begin() + static_cast<std::ptrdiff_t>(signatureAt))) {
        err = refuse + "no preset menu signature B0 02 1A CE at " + hex(signatureAt);
        return false;
    }
    for (size_t i = signatureAt + 4; i < signatureAt + kSignatureArea; ++i)
        if (grldr[i] != 0) {
            err = refuse + "the 12 bytes after the signature at " + hex(signatureAt) + " are not zero";
            return false;
        }
    const size_t menuAt = signatureAt + kSignatureArea;
    // A loader built with preset menus carries one there, at least its zero
    // byte; a file that ends with the signature area was built without them
    // and would ignore the command list and stop at its prompt.
    if (menuAt == grldr.size()) {
        err = refuse + "nothing follows the signature and its 12 zero bytes at " + hex(signatureAt) +
              " (a loader built without preset menu support)";
        return false;
    }
    out.notes.push_back("preset menu signature at " + hex(signatureAt) + ", menu at " + hex(menuAt) + " (" +
                        std::to_string(grldr.size() - menuAt) + " bytes replaced)");

    // The default configuration file name in the stage2 header must be a menu.lst.
    const size_t configAt = kStartupSize + kConfigNameAt;
    const auto configEnd = std::find(grldr.begin() + static_cast<std::ptrdiff_t>(configAt),
                                     grldr.begin() + static_cast<std::ptrdiff_t>(kStartupSize + kMenuPointerAt), 0);
    const std::string configName(grldr.begin() + static_cast<std::ptrdiff_t>(configAt), configEnd);
    if (configEnd == grldr.begin() + static_cast<std::ptrdiff_t>(kStartupSize + kMenuPointerAt) ||
        !configName.ends_with(std::string("/") + kOldName)) {
        err = refuse + "the default configuration file at " + hex(configAt) + " is \"" + configName +
              "\", not a path ending in /menu.lst";
        return false;
    }

    // Every menu.lst before the menu is a path ("/menu.lst", ending the string
    // or followed by "/"); anything else means a layout we do not know.
    Bytes result(grldr.begin(), grldr.begin() + static_cast<std::ptrdiff_t>(menuAt));
    std::vector<size_t> found;
    for (size_t at = 0; at + kNameLen <= result.size(); ++at) {
        if (std::memcmp(&result[at], kOldName, kNameLen) != 0) continue;
        const bool pathStart = at > 0 && result[at - 1] == '/';
        const bool pathEnd = at + kNameLen < result.size() && (result[at + kNameLen] == 0 || result[at + kNameLen] == '/');
        if (!pathStart || !pathEnd) {
            err = refuse + "\"menu.lst\" at " + hex(at) + " is not part of a menu file path";
            return false;
        }
        found.push_back(at);
    }
    if (found.size() < 3 || found.size() > 4) {
        err = refuse + "the menu file name occurs " + std::to_string(found.size()) +
              " times (3 or 4 expected: boot record, default file, setup, PXE menu folder)";
        return false;
    }
    for (size_t at : found) {
        std::memcpy(&result[at], kNewName, kNameLen);
        out.notes.push_back("menu file name changed to menu.ls1 (" + where(at, configAt + configName.size() - kNameLen) + ")");
    }

    result.insert(result.end(), menu.begin(), menu.end());
    out.loader = std::move(result);
    return true;
}

bool patchLoaderMbr(const Bytes& mbr, const std::string& name, LoaderPatch& out, std::string& err) {
    out = LoaderPatch{};
    const std::string refuse = "not a GRUB4DOS grldr.mbr whose loader name can be changed safely: ";
    constexpr char kOld[] = "grldr", kMessage[] = "No ";
    constexpr size_t kOldLen = sizeof kOld - 1, kMessageLen = sizeof kMessage - 1, k83 = 11;
    if (name.empty() || name.size() > 8 ||
        !std::all_of(name.begin(), name.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); })) {
        err = "the loader name \"" + name + "\" is not 1 to 8 capital letters or digits";
        return false;
    }
    const auto lower = [](uint8_t b) { return b >= 'A' && b <= 'Z' ? static_cast<uint8_t>(b + 32) : b; };
    // The old name in characters of `width` bytes (UTF-16 either way round
    // for 2), in any letter case, at `at`.
    const auto nameAt = [&](size_t at, size_t width) {
        if (at + (kOldLen - 1) * width + 1 > mbr.size()) return false;
        for (size_t i = 0; i < kOldLen; ++i) {
            if (lower(mbr[at + i * width]) != static_cast<uint8_t>(kOld[i])) return false;
            if (width == 2 && i + 1 < kOldLen && mbr[at + i * 2 + 1] != 0) return false;
        }
        return true;
    };
    const auto filled = [&](size_t from, size_t to, uint8_t fill) {
        return to <= mbr.size() && std::all_of(mbr.begin() + static_cast<std::ptrdiff_t>(from),
                                                mbr.begin() + static_cast<std::ptrdiff_t>(to),
                                                [fill](uint8_t b) { return b == fill; });
    };

    Bytes result = mbr;
    size_t changed = 0;
    for (size_t at = 0; at < mbr.size(); ++at) {
        if (nameAt(at, 2)) {
            // The start code prints and compares names of one-byte
            // characters; what a two-byte one is for, and where its length
            // is counted, cannot be known from the file.
            err = refuse + "the name \"GRLDR\" in two-byte characters at " + hex(at) +
                  " is not one the patch knows; it cannot be changed in place safely";
            return false;
        }
        if (!nameAt(at, 1)) continue;
        const std::string found(mbr.begin() + static_cast<std::ptrdiff_t>(at),
                                mbr.begin() + static_cast<std::ptrdiff_t>(at + kOldLen));
        const bool capitals = found == "GRLDR", small = found == kOld;
        if (!capitals && !small) {
            err = refuse + "\"" + found + "\" at " + hex(at) + " is in mixed letter case, a form the patch does not know";
            return false;
        }
        if (at < kMessageLen || std::memcmp(&mbr[at - kMessageLen], kMessage, kMessageLen) != 0) {
            err = refuse + "\"" + found + "\" at " + hex(at) + " is not the name after \"No \"";
            return false;
        }
        // The new name in the letter case of the old one: a search that
        // compared the old name as it stands compares the new one alike.
        std::string field = name;
        if (small)
            for (char& c : field) c = static_cast<char>(lower(static_cast<uint8_t>(c)));
        const std::string note = "loader name " + found + " changed to " + field;
        // The 8.3 form: the name padded with spaces to 11 characters, then a zero byte.
        if (filled(at + kOldLen, at + k83, ' ') && at + k83 < mbr.size() && mbr[at + k83] == 0) {
            field.resize(k83, ' ');
            std::memcpy(&result[at], field.data(), k83);
            out.notes.push_back(note + " (8.3 form, " + hex(at) + ")");
            ++changed;
            continue;
        }
        // The plain form: the name, then zero bytes with room for the new one
        // and its end. The file's length is fixed, so no room stops here.
        const size_t room = std::max(name.size(), kOldLen) + 1;
        if (!filled(at + kOldLen, at + room, 0)) {
            err = refuse + "no room for " + std::to_string(name.size()) + " characters and a zero byte at " + hex(at);
            return false;
        }
        std::memcpy(&result[at], field.data(), field.size());
        result[at + field.size()] = 0;
        out.notes.push_back(note + " (" + hex(at) + ")");
        ++changed;
    }
    if (changed == 0) {
        err = refuse + "no loader name \"No GRLDR\" in its " + std::to_string(mbr.size()) + " bytes";
        return false;
    }
    out.loader = std::move(result);
    return true;
}

}  // namespace trivex::tools
