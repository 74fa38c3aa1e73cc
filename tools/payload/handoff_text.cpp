#include "handoff_text.h"

#include <algorithm>
#include <vector>

#include "payloads/handoff.h"

namespace trivex::tools {
namespace {

namespace h = handoff;

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string capitalised(std::string s) {
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
    return s;
}

// The names, in name order, of the job files `pick` selects, separated by spaces.
template <typename Pick>
std::string jobFileList(Pick pick) {
    std::vector<std::string> names;
    for (const h::JobFile& f : h::kJobFiles)
        if (pick(f)) names.push_back(f.name);
    std::sort(names.begin(), names.end());
    std::string list;
    for (const std::string& n : names) list += (list.empty() ? "" : " ") + n;
    return list;
}

std::map<std::string, std::string> makeValues() {
    std::map<std::string, std::string> v;
    const std::pair<const char*, const char*> files[] = {
        {"record", h::kRecordName},          {"loader", h::kLoaderName},
        {"loader-mbr", h::kLoaderMbrName},   {"ghost-bat", h::kGhostBatName},
        {"ghost-exe", h::kGhostExeName},     {"image", h::kBootImageFileName},
        {"menu", h::kBootMenuName},          {"menu-saved", h::kBootMenuSavedName},
        {"menu-aside", h::kBootMenuAsideName}, {"menu-new", h::kBootMenuNewName},
        {"outcome", h::kOutcomeName},
    };
    for (const auto& [role, written] : files) {
        v[role] = lower(written);
        v[capitalised(role)] = written;
    }
    v["job-files"] = jobFileList([](const h::JobFile&) { return true; });
    // The boot image goes last, after the user's files have their names
    // back: until then it proves that the record is this job's.
    v["job-files-but-image"] = jobFileList([](const h::JobFile& f) { return f.id != h::JobFileId::BootImage; });
    v["aside-files"] = jobFileList([](const h::JobFile& f) { return f.setAsideAs != nullptr; });
    v["aside-ext"] = h::kAsideSuffix;

    for (const char* key : {h::kKeyToken, h::kKeyCopy, h::kKeyKind, h::kKeyRoute, h::kKeyPrepared, h::kKeyImage,
                            h::kKeyWrote, h::kKeyAside, h::kKeyDos, h::kKeyGhost, h::kKeyVolumes, h::kKeyImageCheck,
                            h::kKeyTargetDrive})
        v[std::string("key.") + key] = key;
    // The boot menu's lines a job wrote.
    for (const char* key : {h::kKeyMenuLine, h::kKeyMenuWas, h::kKeyMenuSaved}) v[std::string("key.") + key] = key;
    v["copy.job"] = h::kCopyJob;
    v["copy.outcome"] = h::kCopyOutcome;
    v["kind.restore"] = h::kKindRestore;
    v["kind.backup"] = h::kKindBackup;
    v["kind.manual"] = h::kKindManual;
    v["route.boot-ini"] = h::kRouteBootIni;
    v["route.store"] = h::kRouteStore;
    v["dos.found"] = h::kDosFound;
    v["dos.no-menu"] = h::kDosNoMenu;
    v["dos.no-ram"] = h::kDosNoRam;
    v["dos.unrecorded"] = h::kDosUnrecorded;
    v["dos.skipped"] = h::kDosSkipped;
    v["last-chance-seconds"] = h::kLastChanceSeconds;
    v["ghost.started"] = h::kGhostStarted;
    v["ghost.exit"] = h::kGhostExit;
    v["ghost.check-failed"] = h::kGhostCheckFailed;

    v["token"] = h::kTokenVariable;
    v["token.placeholder"] = h::kTokenPlaceholder.text;

    v["record-bat"] = h::kRecordScript.text;
    v["verb.started"] = h::kVerbStarted;
    v["verb.exit"] = h::kVerbExit;
    v["verb.check"] = h::kVerbCheck;
    v["verb.dos"] = h::kVerbDos;
    v["restart"] = h::kRestart;

    // Ghost's numbers, found by the volumes (VOLUMES.BAT).
    v["volumes-bat"] = h::kVolumesScript.text;
    v["volumes-stop"] = h::kVolumesStopScript.text;
    v["var.target"] = h::kTargetNumberVariable;
    v["var.image"] = h::kImageNumberVariable;
    v["boot-disk"] = h::kBootDisk;
    v["later-disk"] = h::kLaterDisk;
    v["not-known"] = h::kNotKnown;
    v["volumes.found"] = h::kVolumesFound;
    v["volumes.none"] = h::kVolumesNone;
    v["volumes.differ"] = h::kVolumesDiffer;
    v["volumes.same"] = h::kVolumesSame;
    v["verb.volumes"] = h::kVerbVolumes;
    v["verb.done"] = h::kVerbDone;
    v["verb.verified"] = h::kVerbVerified;
    return v;
}

}  // namespace

const std::map<std::string, std::string>& handoffValues() {
    static const std::map<std::string, std::string> values = makeValues();
    return values;
}

bool fillHandoff(const Bytes& source, const std::string& file, Bytes& out, std::string& err) {
    out.clear();
    out.reserve(source.size());
    size_t line = 1;
    for (size_t i = 0; i < source.size(); ++i) {
        const uint8_t c = source[i];
        if (c == '\n') ++line;
        if (c != '{') {
            out.push_back(c);
            continue;
        }
        size_t end = i + 1;
        while (end < source.size() && source[end] != '}' && source[end] != '\r' && source[end] != '\n') ++end;
        if (end == source.size() || source[end] != '}') {
            err = file + " line " + std::to_string(line) + ": \"{\" without \"}\" on its line";
            return false;
        }
        const std::string name(source.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                               source.begin() + static_cast<std::ptrdiff_t>(end));
        const auto value = handoffValues().find(name);
        if (value == handoffValues().end()) {
            err = file + " line " + std::to_string(line) + ": unknown placeholder {" + name +
                  "}: the hand-off (payloads/handoff.h) gives no value by that name";
            return false;
        }
        out.insert(out.end(), value->second.begin(), value->second.end());
        i = end;
    }
    return true;
}

bool readHandoffSource(const std::string& path, Bytes& out, std::string& err) {
    Bytes source;
    return readFile(path, source, err) && fillHandoff(source, path, out, err);
}

}  // namespace trivex::tools
