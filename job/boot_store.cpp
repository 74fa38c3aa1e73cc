// How bcdedit is used here (facts from Microsoft's BCDEdit reference):
//  - bcdedit.exe lives in %WINDIR%\System32; changing the store needs
//    administrator rights (elevation on Vista and later). Exit code 0 on
//    success, 1 on failure, with a message in the system's language.
//  - `/create /d <description> /application bootsector` makes a new
//    boot-sector application entry under a fresh GUID and answers with it in
//    braces: "The entry {…} was successfully created." in English,
//    "项 {…} 成功创建。" in Simplified Chinese. A new entry is in neither the
//    display order nor the default.
//  - The boot manager runs a boot-sector entry by loading the file named by
//    `path` from the volume named by `device` to 0000:7C00 and jumping there,
//    as NTLDR does with a boot.ini line: `/set {id} device partition=C:` and
//    `/set {id} path \grldr.mbr` point it at our file.
//  - `/bootsequence {id}` sets the boot manager's one-time boot sequence: the
//    next start runs that entry without a menu, and later starts go back to
//    the display order and default. (It replaces a sequence already set.)
//  - `/delete {id}` removes the entry and, by default (/cleanup), every
//    reference to it, the boot sequence among them. Well-known identifiers
//    would need /f; ours are GUIDs.
//  - `/enum all /v` lists every entry with identifiers as GUIDs. Each entry
//    is a heading (localised), a line of dashes under it, then one line per
//    element, name then value from a fixed column, the identifier line first
//    (its label "identifier" is localised too: "标识符"); further values of a
//    list continue on lines that start with spaces; a blank line separates
//    entries.
#include "job/boot_store.h"

#include <algorithm>
#include <cctype>

#include "payloads/targets.h"
#include "platform/text.h"

namespace trivex::job::bcd {
namespace {

// Where the entry points: C:\grldr.mbr, split into its volume and its path.
Text entryDevice() { return "partition=" + Text(payloads::kLoaderMbrTarget, 2); }
Text entryPath() { return Text(payloads::kLoaderMbrTarget + 2); }

bool isGuidAt(const Text& t, size_t at) {
    static const char kShape[] = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    constexpr size_t n = sizeof kShape - 1;
    if (at + n > t.size()) return false;
    for (size_t i = 0; i < n; ++i) {
        const char c = t[at + i];
        if (kShape[i] == 'x' ? !std::isxdigit(static_cast<unsigned char>(c)) : c != kShape[i]) return false;
    }
    return true;
}

bool isGuid(const Text& t) { return t.size() == 38 && isGuidAt(t, 0); }

// The boot manager's own entry: listed under /v by this well-known identifier.
constexpr char kBootManagerGuid[] = "{9dea862c-5cdd-4e70-acc1-f32b344d4795}";

// Identifiers are listed in either letter case.
bool sameIdentifier(const Text& a, const Text& b) { return text::equalIgnoringCase(a, b); }

struct Call {
    ToolRun run;
    Result result;
};

// One bcdedit call, checked: started, ended within the time limit, exit code 0.
Call call(Machine& p, const Text& arguments) {
    Call c;
    c.run = p.runSystemTool(kTool, arguments, kCallTimeoutMs);
    const Text what = "bcdedit " + arguments;
    if (!c.run.started) {
        c.result = Problem{Code::BcdNotStarted, {what}};
    } else if (!c.run.finished) {
        c.result = Problem{Code::BcdTimedOut, {what, Arg::number(kCallTimeoutMs / 1000)}};
    } else if (c.run.exitCode != 0) {
        c.result = Problem{Code::BcdFailed, {what, Arg::number(c.run.exitCode), Arg::quote(c.run.output)}};
    }
    return c;
}

// Deletes an entry that addEntry made; a failure is told after `failure`.
void takeBack(Machine& p, const Text& identifier, Problem& failure) {
    if (Result r = removeEntry(p, identifier); !r)
        failure.parts.push_back(around(Code::BcdEntryLeft, {r.problem()}, {identifier}));
}

// After a /create whose outcome is unknown: removes whatever entry of ours
// it may have made; a failure is told after `failure`.
void takeBackUnknown(Machine& p, Problem& failure) {
    int removed = 0;
    if (Result r = removeOurEntries(p, removed); !r) failure.parts.push_back(around(Code::BcdCleanupFailed, {r.problem()}));
}

}  // namespace

Result ready(Machine& p) {
    const WindowsVersion v = p.windowsVersion();
    if (v.major < 6) return Problem{Code::StoreNotOnThisWindows, {Arg::number(v.major), Arg::number(v.minor)}};
    switch (p.firmware()) {
        case Firmware::Bios: break;
        case Firmware::Uefi: return Problem{Code::Uefi};
        case Firmware::Unknown: return Problem{Code::FirmwareUnknown};
    }
    if (!p.runsAsAdministrator()) return Problem{Code::NotAdministrator};
    if (!p.systemToolExists(kTool)) return Problem{Code::NoBcdedit};
    return {};
}

Expected<Text> addEntry(Machine& p) {
    const Call created = call(p, "/create /d \"" + Text(kDescription) + "\" /application bootsector");
    if (!created.result) {
        Problem failure = around(Code::BcdAddFailed, {created.result.problem()});
        if (created.run.started && !created.run.finished) takeBackUnknown(p, failure);
        return failure;
    }
    const Text id = identifierIn(created.run.output);
    if (id.empty()) {
        Problem failure{Code::BcdNoIdentifier, {Arg::quote(created.run.output)}};
        takeBackUnknown(p, failure);
        return failure;
    }
    const Text steps[] = {
        "/set " + id + " device " + entryDevice(),
        "/set " + id + " path " + entryPath(),
        "/bootsequence " + id,
    };
    for (const Text& step : steps) {
        const Call c = call(p, step);
        if (c.result) continue;
        Problem failure = around(Code::BcdSetFailed, {c.result.problem()}, {id});
        takeBack(p, id, failure);
        return failure;
    }
    return id;
}

Result removeEntry(Machine& p, const Text& identifier) {
    const Call c = call(p, "/delete " + identifier);
    if (c.result) return {};
    // It may have been gone already (removed by hand, or by an earlier try
    // whose answer was lost): then there is nothing left to do.
    const Call listed = call(p, "/enum all /v");
    if (listed.result) {
        const std::vector<ListedEntry> entries = parseListing(listed.run.output);
        if (std::none_of(entries.begin(), entries.end(),
                         [&](const ListedEntry& e) { return sameIdentifier(e.identifier, identifier); }))
            return {};
    }
    return c.result;
}

Result findEntries(Machine& p, std::vector<Text>& identifiers, std::vector<Text>* started) {
    identifiers.clear();
    if (started) started->clear();
    const Call listed = call(p, "/enum all /v");
    if (!listed.result) return around(Code::BcdListFailed, {listed.result.problem()});
    const std::vector<ListedEntry> entries = parseListing(listed.run.output);
    // Every store holds the boot manager's own entry. A listing in which it
    // cannot be found is one this reading does not understand: it cannot
    // tell that no entry of ours is there either.
    const auto manager = std::find_if(entries.begin(), entries.end(), [](const ListedEntry& e) {
        return sameIdentifier(e.identifier, kBootManagerGuid) || sameIdentifier(e.identifier, "{bootmgr}");
    });
    if (manager == entries.end()) return Problem{Code::BcdNoBootManager};
    for (const ListedEntry& e : entries) {
        if (!isGuid(e.identifier)) continue;
        if (std::find(e.values.begin(), e.values.end(), Text(kDescription)) == e.values.end()) continue;
        identifiers.push_back(e.identifier);
        // The boot manager names an entry of ours only in its one-time boot sequence.
        if (started && std::any_of(manager->values.begin(), manager->values.end(),
                                   [&](const Text& v) { return sameIdentifier(v, e.identifier); }))
            started->push_back(e.identifier);
    }
    return {};
}

Result removeOurEntries(Machine& p, int& removed) {
    removed = 0;
    std::vector<Text> ours;
    if (Result r = findEntries(p, ours); !r) return r;
    return removeEntries(p, ours, removed);
}

Result removeEntries(Machine& p, const std::vector<Text>& identifiers, int& removed) {
    std::vector<Problem> stayed;
    for (const Text& id : identifiers) {
        if (Result r = removeEntry(p, id); !r) stayed.push_back(around(Code::BcdEntryStays, {r.problem()}, {id}));
        else ++removed;
    }
    if (stayed.empty()) return {};
    return around(Code::Lines, std::move(stayed));
}

Text identifierIn(const Text& answer) {
    for (size_t i = 0; i < answer.size();) {
        if (text::isLeadByte(answer[i])) {
            i += 2;
            continue;
        }
        if (answer[i] == '{' && isGuidAt(answer, i)) return answer.substr(i, 38);
        ++i;
    }
    return {};
}

std::vector<ListedEntry> parseListing(const Text& listing) {
    std::vector<ListedEntry> entries;
    bool inEntry = false, wantIdentifier = false;
    size_t at = 0;
    while (at <= listing.size()) {
        size_t end = listing.find('\n', at);  // 0x0A is never the second byte of a GBK character
        if (end == Text::npos) end = listing.size();
        Text line = listing.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();

        if (line.size() >= 3 && line.find_first_not_of('-') == Text::npos) {  // a heading's underline
            if (wantIdentifier) entries.pop_back();  // the one before never got its identifier
            entries.push_back({});
            inEntry = wantIdentifier = true;
            continue;
        }
        const Text trimmed = text::trimTrailing(line);
        if (trimmed.empty()) {
            if (wantIdentifier) entries.pop_back();
            inEntry = wantIdentifier = false;
            continue;
        }
        if (!inEntry) continue;
        // "name   value": the name has no spaces (0x20 is never the second
        // byte of a GBK character); a line that starts with spaces is one more
        // value of the list above it.
        const size_t space = trimmed.find(' ');
        const Text value = space == Text::npos ? Text() : text::trimLeading(trimmed.substr(space));
        if (wantIdentifier) {
            wantIdentifier = false;
            if (value.size() < 2 || value.front() != '{' || value.back() != '}') {
                entries.pop_back();  // not an entry as we know them
                inEntry = false;
                continue;
            }
            entries.back().identifier = value;
        } else {
            entries.back().values.push_back(value);
        }
    }
    if (wantIdentifier) entries.pop_back();  // an underline at the very end
    return entries;
}

}  // namespace trivex::job::bcd
