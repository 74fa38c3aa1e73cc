// How bcdedit is used here (facts from Microsoft's BCDEdit reference):
//  - bcdedit.exe lives in %WINDIR%\System32; changing the store needs
//    administrator rights (elevation on Vista and later). Exit code 0 on
//    success, 1 on failure, with a message in the system's language.
//  - `/create {id} /d <description> /application bootsector` makes a new
//    boot-sector application entry under the identifier given (a GUID; without
//    one bcdedit makes one up) and answers "The entry {…} was successfully
//    created." in English, "项 {…} 成功创建。" in Simplified Chinese. A new
//    entry is in neither the display order nor the default.
//  - The boot manager runs a boot-sector entry by loading the file named by
//    `path` from the volume named by `device` to 0000:7C00 and jumping there,
//    as NTLDR does with a boot.ini line: `/set {id} device partition=C:` and
//    `/set {id} path \grldr.mbr` point it at our file.
//  - `/bootsequence {id}...` sets the boot manager's one-time boot sequence:
//    the next start runs that entry without a menu, and later starts go back
//    to the display order and default. It replaces a sequence already set,
//    such as the memory test that Windows schedules ({memdiag}).
//  - `/delete {id}` removes the entry and, by default (/cleanup), every
//    reference to it, the boot sequence among them. Well-known identifiers
//    would need /f; ours are GUIDs.
//  - `/enum all /v` lists every entry with identifiers as GUIDs. Each entry
//    is a heading (localised), a line of dashes under it, then one line per
//    element, name then value from a fixed column, the identifier line first
//    (its label "identifier" is localised too: "标识符", the other element
//    names are not); further values of a list continue on lines that start
//    with spaces; a blank line separates entries. The boot manager's entry
//    lists its one-time boot sequence as the element "bootsequence".
#include "job/boot_store.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "job/record.h"
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

bool listed(const std::vector<Text>& ids, const Text& id) {
    return std::any_of(ids.begin(), ids.end(), [&](const Text& i) { return sameIdentifier(i, id); });
}

}  // namespace

bool sameIdentifier(const Text& a, const Text& b) { return text::equalIgnoringCase(a, b); }

bool StoreState::holds(const Text& identifier) const { return listed(identifiers, identifier); }
bool StoreState::starts(const Text& identifier) const { return listed(sequence, identifier); }

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

Expected<StoreState> readStore(Machine& p) {
    const Call listing = call(p, "/enum all /v");
    if (!listing.result) return around(Code::BcdListFailed, {listing.result.problem()});
    const std::vector<ListedEntry> entries = parseListing(listing.run.output);
    // Every store holds the boot manager's own entry. A listing in which it
    // cannot be found is one this reading does not understand: it cannot
    // tell what the next start runs.
    const auto manager = std::find_if(entries.begin(), entries.end(), [](const ListedEntry& e) {
        return sameIdentifier(e.identifier, kBootManagerGuid) || sameIdentifier(e.identifier, "{bootmgr}");
    });
    if (manager == entries.end()) return Problem{Code::BcdNoBootManager};
    StoreState state;
    for (const ListedEntry& e : entries) {
        state.identifiers.push_back(e.identifier);
        if (isGuid(e.identifier) && std::find(e.values.begin(), e.values.end(), Text(kDescription)) != e.values.end())
            state.described.push_back(e.identifier);
    }
    for (size_t i = 0; i < manager->values.size() && i < manager->names.size(); ++i)
        if (manager->names[i] == "bootsequence") state.sequence.push_back(manager->values[i]);
    return state;
}

Text newIdentifier(Machine& p) {
    Text hex = newToken(p) + newToken(p);
    for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // The form of a random GUID: version 4, variant bits 10.
    hex[12] = '4';
    hex[16] = "89ab"[static_cast<unsigned char>(hex[16]) & 3];
    return "{" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
           hex.substr(20, 12) + "}";
}

Result addEntry(Machine& p, const Text& id, bool& mayStart) {
    mayStart = false;
    const Text steps[] = {
        "/create " + id + " /d \"" + Text(kDescription) + "\" /application bootsector",
        "/set " + id + " device " + entryDevice(),
        "/set " + id + " path " + entryPath(),
        "/bootsequence " + id,
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Call c = call(p, steps[i]);
        if (c.result) continue;
        const bool create = i == 0;
        Problem failure = create ? around(Code::BcdAddFailed, {c.result.problem()})
                                 : around(Code::BcdSetFailed, {c.result.problem()}, {id});
        // A /create that did not start, or that bcdedit answered with a
        // failure, made nothing; after any other failure the entry may be
        // there, perhaps half made.
        const bool hung = c.run.started && !c.run.finished;
        if (create && !hung) return failure;
        if (Result r = removeEntry(p, id); !r) {
            failure.parts.push_back(around(Code::BcdEntryLeft, {r.problem()}, {id}));
            // A sequence call that did not end in time may have taken effect.
            mayStart = i + 1 == std::size(steps) && hung;
        }
        return failure;
    }
    return {};
}

Result removeEntry(Machine& p, const Text& identifier) {
    const Call c = call(p, "/delete " + identifier);
    if (c.result) return {};
    // It may have been gone already (removed by hand, or by an earlier try
    // whose answer was lost): then there is nothing left to do.
    const Expected<StoreState> state = readStore(p);
    if (state && !state->holds(identifier)) return {};
    return c.result;
}

Result removeEntries(Machine& p, const std::vector<Text>& identifiers, int& removed) {
    removed = 0;
    std::vector<Problem> stayed;
    for (const Text& id : identifiers) {
        if (Result r = removeEntry(p, id); !r) stayed.push_back(around(Code::BcdEntryStays, {r.problem()}, {id}));
        else ++removed;
    }
    if (stayed.empty()) return {};
    return around(Code::Lines, std::move(stayed));
}

Result restoreSequence(Machine& p, const std::vector<Text>& sequence) {
    if (sequence.empty()) return {};
    const Expected<StoreState> state = readStore(p);
    if (!state) return state.result();
    std::vector<Text> present;
    for (const Text& id : sequence)
        if (state->holds(id)) present.push_back(id);
    const bool set = present.size() == state->sequence.size() &&
                     std::equal(present.begin(), present.end(), state->sequence.begin(), sameIdentifier);
    if (present.empty() || set) return {};
    Text arguments = "/bootsequence";
    for (const Text& id : present) arguments += " " + id;
    return call(p, arguments).result;
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
        const Text name = trimmed.substr(0, space);
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
            ListedEntry& e = entries.back();
            e.names.push_back(!name.empty() || e.names.empty() ? name : e.names.back());
            e.values.push_back(value);
        }
    }
    if (wantIdentifier) entries.pop_back();  // an underline at the very end
    return entries;
}

}  // namespace trivex::job::bcd
