#include "job/record.h"

#include <algorithm>
#include <cstring>

#include "job/ownership.h"
#include "payloads/store.h"
#include "platform/files.h"
#include "platform/text.h"

namespace trivex::job {

namespace {

constexpr char kCrLf[] = "\r\n";

const char* kindName(JobKind k) {
    switch (k) {
        case JobKind::Restore: return handoff::kKindRestore;
        case JobKind::Backup: return handoff::kKindBackup;
        case JobKind::Manual: return handoff::kKindManual;
        case JobKind::None: break;
    }
    return "";
}

// "10" -> 10; -1 unless the text is a number from 0 to 255.
int exitCodeOf(const Text& t) {
    if (t.empty() || t.size() > 3 || !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    int n = 0;
    for (char c : t) n = n * 10 + (c - '0');
    return n <= 255 ? n : -1;
}

// The field of a partition's volume that `key` names; nullptr for other keys.
Text* volumeField(JobRecord& r, const Text& key) {
    const std::pair<const char*, Text*> fields[] = {
        {handoff::kKeyTargetSerial, &r.target.serial},         {handoff::kKeyTargetFileSystem, &r.target.fileSystem},
        {handoff::kKeyTargetBytes, &r.target.bytes},           {handoff::kKeyTargetNumber, &r.target.number},
        {handoff::kKeyImageSerial, &r.imageVolume.serial},     {handoff::kKeyImageFileSystem, &r.imageVolume.fileSystem},
        {handoff::kKeyImageBytes, &r.imageVolume.bytes},       {handoff::kKeyImageNumber, &r.imageVolume.number},
    };
    for (const auto& [name, field] : fields)
        if (key == name) return field;
    return nullptr;
}

// The words of a value, however many spaces stand between them.
std::vector<Text> wordsOf(const Text& value) {
    std::vector<Text> out;
    for (size_t at = 0; at < value.size();) {
        const size_t end = std::min(value.find(' ', at), value.size());
        if (end > at) out.push_back(value.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

Text joined(const std::vector<Text>& list) {
    Text all;
    for (const Text& w : list) all += (all.empty() ? "" : " ") + w;
    return all;
}

// "found 1:1 2:1", "none 3", "none", "differ 1:2 2:1", "same 1:2 1:2" (DOS's echo may
// leave spaces between the words or after them).
void parseVolumes(const Text& value, JobRecord& r) {
    const std::vector<Text> words = wordsOf(value);
    if (words.empty()) return;
    if (words[0] == handoff::kVolumesNone) {
        r.volumes = VolumesFound::Refused;
        r.volumesCode = words.size() > 1 ? exitCodeOf(words[1]) : -1;
    } else if ((words[0] == handoff::kVolumesFound || words[0] == handoff::kVolumesDiffer ||
                words[0] == handoff::kVolumesSame) &&
               words.size() == 3) {
        r.volumes = words[0] == handoff::kVolumesFound    ? VolumesFound::Found
                    : words[0] == handoff::kVolumesDiffer ? VolumesFound::Differ
                                                          : VolumesFound::Same;
        r.foundTarget = words[1];
        r.foundImage = words[2];
    }
}

bool contains(const std::vector<Text>& list, const Text& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

}  // namespace

bool JobRecord::wroteFile(const Text& name) const { return contains(wrote, name); }
bool JobRecord::setAside(const Text& name) const { return contains(aside, name); }

Text recordText(const JobRecord& r) {
    Text t = Text(handoff::kRecordHeading) + kCrLf;
    const auto line = [&t](const char* key, const Text& value) { t += Text(key) + "=" + value + kCrLf; };
    line(handoff::kKeyToken, r.token);
    line(handoff::kKeyCopy, r.outcomeCopy ? handoff::kCopyOutcome : handoff::kCopyJob);
    line(handoff::kKeyKind, kindName(r.kind));
    line(handoff::kKeyRoute, r.route == BootRoute::BootStore ? handoff::kRouteStore : handoff::kRouteBootIni);
    line(handoff::kKeyPrepared, r.prepared);
    if (!r.machine.empty()) line(handoff::kKeyMachine, joined(r.machine));
    if (!r.image.empty()) line(handoff::kKeyImage, r.image);
    for (const Text& name : r.wrote) line(handoff::kKeyWrote, name);
    for (const Text& name : r.aside) line(handoff::kKeyAside, name);
    // The boot menu's lines.
    for (const MenuChange& c : r.menu.changes) {
        line(handoff::kKeyMenuLine, c.line);
        line(handoff::kKeyMenuWas, c.was);
    }
    if (!r.menu.savedSum.empty()) line(handoff::kKeyMenuSaved, r.menu.savedSum);
    if (r.targetDrive) line(handoff::kKeyTargetDrive, Text(1, r.targetDrive));
    const auto volume = [&](const RecordedVolume& v, const char* serial, const char* fs, const char* bytes,
                            const char* number) {
        if (!v.serial.empty()) line(serial, v.serial);
        if (!v.fileSystem.empty()) line(fs, v.fileSystem);
        if (!v.bytes.empty()) line(bytes, v.bytes);
        if (!v.number.empty()) line(number, v.number);
    };
    volume(r.target, handoff::kKeyTargetSerial, handoff::kKeyTargetFileSystem, handoff::kKeyTargetBytes,
           handoff::kKeyTargetNumber);
    volume(r.imageVolume, handoff::kKeyImageSerial, handoff::kKeyImageFileSystem, handoff::kKeyImageBytes,
           handoff::kKeyImageNumber);
    for (const Text& id : r.entries) line(handoff::kKeyEntry, id);
    for (const Text& id : r.sequence) line(handoff::kKeySequence, id);
    if (r.pointed) line(handoff::kKeyBoot, handoff::kBootPointed);
    return t;
}

std::optional<JobRecord> parseRecord(const Text& text) {
    JobRecord r;
    bool heading = false, copy = false, kind = false, route = false;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);  // 0x0A is never part of a two-byte character
        if (end == Text::npos) end = text.size();
        Text line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = text::trimTrailing(line);  // DOS's echo may leave a space before the line end
        if (!heading) {
            if (line != handoff::kRecordHeading) return std::nullopt;
            heading = true;
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == Text::npos) continue;
        const Text key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == handoff::kKeyToken) {
            r.token = value;
        } else if (key == handoff::kKeyCopy) {
            copy = value == handoff::kCopyJob || value == handoff::kCopyOutcome;
            r.outcomeCopy = value == handoff::kCopyOutcome;
        } else if (key == handoff::kKeyKind) {
            kind = true;
            if (value == handoff::kKindRestore) r.kind = JobKind::Restore;
            else if (value == handoff::kKindBackup) r.kind = JobKind::Backup;
            else if (value == handoff::kKindManual) r.kind = JobKind::Manual;
            else kind = false;
        } else if (key == handoff::kKeyRoute) {
            route = value == handoff::kRouteBootIni || value == handoff::kRouteStore;
            r.route = value == handoff::kRouteStore ? BootRoute::BootStore : BootRoute::BootIni;
        } else if (key == handoff::kKeyPrepared) {
            r.prepared = value;
        } else if (key == handoff::kKeyMachine) {
            r.machine = wordsOf(value);
        } else if (key == handoff::kKeyImage) {
            r.image = value;
        } else if (key == handoff::kKeyWrote) {
            r.wrote.push_back(value);
        } else if (key == handoff::kKeyAside) {
            r.aside.push_back(value);
        } else if (key == handoff::kKeyMenuLine) {
            r.menu.changes.push_back({value, ""});
        } else if (key == handoff::kKeyMenuWas) {
            if (!r.menu.changes.empty()) r.menu.changes.back().was = value;
        } else if (key == handoff::kKeyMenuSaved) {
            r.menu.savedSum = value;
        } else if (key == handoff::kKeyTargetDrive) {
            r.targetDrive = value.size() == 1 ? value[0] : '\0';
        } else if (Text* field = volumeField(r, key)) {
            *field = value;
        } else if (key == handoff::kKeyVolumes) {
            parseVolumes(value, r);
        } else if (key == handoff::kKeyImageCheck) {
            r.imageCheck = exitCodeOf(value);
        } else if (key == handoff::kKeyEntry) {
            r.entries.push_back(value);
        } else if (key == handoff::kKeySequence) {
            r.sequence.push_back(value);
        } else if (key == handoff::kKeyBoot) {
            r.pointed = value == handoff::kBootPointed;
        } else if (key == handoff::kKeyDos) {
            // What the DOS side says last counts, with its code or none.
            if (value == handoff::kDosFound || value == handoff::kDosNoMenu || value == handoff::kDosNoRam ||
                value == handoff::kDosUnrecorded)
                r.exitCode = -1;
            if (value == handoff::kDosFound) r.outcome = Outcome::Found;
            else if (value == handoff::kDosNoMenu) r.outcome = Outcome::NoMenu;
            else if (value == handoff::kDosNoRam) r.outcome = Outcome::NoRam;
            else if (value == handoff::kDosUnrecorded) r.outcome = Outcome::Unrecorded;
            else if (value == handoff::kDosSkipped) r.outcome = Outcome::Skipped;
        } else if (key == handoff::kKeyGhost) {
            const size_t space = value.find(' ');
            const Text what = value.substr(0, space);
            const int code = space == Text::npos ? -1 : exitCodeOf(value.substr(space + 1));
            if (what == handoff::kGhostStarted) {
                r.outcome = Outcome::Started;
                r.exitCode = -1;
            } else if (what == handoff::kGhostExit && code >= 0) {
                r.outcome = Outcome::Exited;
                r.exitCode = code;
            } else if (what == handoff::kGhostCheckFailed) {
                r.outcome = Outcome::CheckFailed;
                r.exitCode = code;
            }
        }
    }
    if (!heading || !payloads::isToken(r.token) || !copy || !kind || !route) return std::nullopt;
    return r;
}

std::optional<JobRecord> readRecord(Machine& p, const Text& path) {
    // A record is a few hundred bytes; anything large is not one of ours.
    const int64_t size = fileSize(p, path);
    if (size < 0 || size > 64 * 1024 || !isFile(p, path)) return std::nullopt;
    const std::optional<Text> text = readWholeFile(p, path);
    if (!text) return std::nullopt;
    return parseRecord(*text);
}

std::optional<JobRecord> readOurRecord(Machine& p, const Text& path) {
    std::optional<JobRecord> r = readRecord(p, path);
    if (r && Ownership(p).of(*r) != Whose::Ours) r.reset();
    return r;
}

Text outcomeRecordPath(const Text& imagePath) {
    if (imagePath.size() < 2 || imagePath[1] != ':') return {};
    const char d = imagePath[0];
    if (!((d >= 'A' && d <= 'Z') || (d >= 'a' && d <= 'z'))) return {};
    return Text(1, d) + ":\\" + kOutcomeName;
}

Text earlierOutcomePath(char letter) { return Text(1, letter) + ":\\" + kRecordName; }

Text newToken(Machine& p) {
    // FNV-1a over what differs between two jobs: the time, the tick count,
    // a count of the tokens made in this run and where this process's stack is.
    static unsigned counter = 0;
    ++counter;
    uint64_t h = 1469598103934665603ull;
    const auto mix = [&h](const void* data, size_t n) {
        const auto* b = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
    };
    const double now = p.localTime();
    const uint32_t tick = p.tickCount();
    const void* stack = &now;
    mix(&now, sizeof now);
    mix(&tick, sizeof tick);
    mix(&counter, sizeof counter);
    mix(&stack, sizeof stack);
    static const char kHex[] = "0123456789ABCDEF";
    Text token(handoff::kTokenDigits, '0');
    for (size_t i = token.size(); i-- > 0; h >>= 4) token[i] = kHex[h & 15];
    return token;
}

Text recordTime(double date) {
    const text::DateParts d = text::partsOfDate(date);
    const auto two = [](int v) { return Text(1, static_cast<char>('0' + v / 10 % 10)) + static_cast<char>('0' + v % 10); };
    return text::toText(static_cast<int32_t>(d.year)) + "-" + two(d.month) + "-" + two(d.day) + " " + two(d.hour) + ":" +
           two(d.minute) + ":" + two(d.second);
}

double recordDate(const Text& time) {
    // "YYYY-MM-DD hh:mm:ss", each field its digits and separator.
    if (time.size() != 19) return kNoDate;
    int fields[6] = {};
    const size_t starts[6] = {0, 5, 8, 11, 14, 17}, widths[6] = {4, 2, 2, 2, 2, 2};
    const char seps[5] = {'-', '-', ' ', ':', ':'};
    for (int i = 0; i < 6; ++i) {
        for (size_t k = 0; k < widths[i]; ++k) {
            const char c = time[starts[i] + k];
            if (c < '0' || c > '9') return kNoDate;
            fields[i] = fields[i] * 10 + (c - '0');
        }
        if (i < 5 && time[starts[i] + widths[i]] != seps[i]) return kNoDate;
    }
    const int y = fields[0], mo = fields[1], d = fields[2], h = fields[3], mi = fields[4], s = fields[5];
    if (y < 1980 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return kNoDate;
    return text::dateFromParts({y, mo, d, h, mi, s});
}

}  // namespace trivex::job
