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

// bcdedit's answer on one line, for a message: line ends become spaces, at
// most about 300 bytes, never a two-byte character cut in half.
Text summary(const Text& output) {
    Text s;
    bool gap = false;
    for (size_t i = 0; i < output.size(); ++i) {
        const char c = output[i];
        if (c == '\r' || c == '\n' || c == '\t') {
            gap = !s.empty();
            continue;
        }
        if (gap) s += ' ';
        gap = false;
        if (text::isLeadByte(c) && i + 1 < output.size()) {
            s += c;
            s += output[++i];
        } else {
            s += c;
        }
        if (s.size() >= 300) {
            s += "…";
            break;
        }
    }
    return text::trimTrailing(s);
}

struct Call {
    ToolRun run;
    bool ok = false;
    Text failure;  // when not ok
};

// One bcdedit call, checked: started, ended within the time limit, exit code 0.
Call call(Machine& p, const Text& arguments) {
    Call c;
    c.run = p.runSystemTool(kTool, arguments, kCallTimeoutMs);
    const Text what = "bcdedit " + arguments;
    if (!c.run.started) {
        c.failure = "无法运行系统的 bcdedit.exe（" + what + "）。";
    } else if (!c.run.finished) {
        c.failure = what + " 在 " + text::toText(static_cast<int32_t>(kCallTimeoutMs / 1000)) + " 秒内没有结束，已被终止。";
    } else if (c.run.exitCode != 0) {
        c.failure = what + " 失败（退出代码 " + text::toText(static_cast<int64_t>(c.run.exitCode)) + "）";
        const Text said = summary(c.run.output);
        c.failure += said.empty() ? Text("。") : "：" + said;
    } else {
        c.ok = true;
    }
    return c;
}

// Deletes an entry that addEntry made; a failure is added to `failure`.
void takeBack(Machine& p, const Text& identifier, Text& failure) {
    Text removeFailure;
    if (removeEntry(p, identifier, removeFailure)) return;
    failure += "\r\n撤回时删除该启动项也失败：" + removeFailure +
               "\r\n启动项 " + identifier +
               " 留在启动配置中；它不是默认项，也不在启动菜单中。Trivex 下次启动时会再次删除它。";
}

// After a /create whose outcome is unknown: removes whatever entry of ours
// it may have made; a failure is added to `failure`.
void takeBackUnknown(Machine& p, Text& failure) {
    int removed = 0;
    Text removeFailure;
    if (removeOurEntries(p, removed, removeFailure)) return;
    failure += "\r\n撤回时清理启动配置也失败：" + removeFailure;
}

}  // namespace

bool ready(Machine& p, Text& refusal) {
    const WindowsVersion v = p.windowsVersion();
    if (v.major < 6) {
        refusal = "这台电脑没有 C:\\boot.ini，而它的 Windows 版本（" + text::toText(static_cast<int32_t>(v.major)) + "." +
                  text::toText(static_cast<int32_t>(v.minor)) +
                  "）也不使用启动配置存储，Trivex 不知道如何让它启动到 DOS。任务未准备。";
        return false;
    }
    switch (p.firmware()) {
        case Firmware::Bios:
            break;
        case Firmware::Uefi:
            refusal = "这台电脑以 UEFI 方式启动。Trivex 使用的 GRUB4DOS 和 DOS 只能在 BIOS（传统）启动方式下运行，"
                      "因此不能在这台电脑上备份或还原。任务未准备，什么都没有改动。";
            return false;
        case Firmware::Unknown:
            refusal = "无法确定这台电脑是以 BIOS 还是 UEFI 方式启动的。为安全起见，任务未准备，什么都没有改动。";
            return false;
    }
    if (!p.runsAsAdministrator()) {
        refusal = "Trivex 没有以管理员身份运行，不能修改启动配置。请右键单击 Trivex，选择“以管理员身份运行”，"
                  "然后重试。任务未准备，什么都没有改动。";
        return false;
    }
    if (!p.systemToolExists(kTool)) {
        refusal = "系统文件夹中找不到 bcdedit.exe，Trivex 不能修改启动配置。任务未准备，什么都没有改动。";
        return false;
    }
    return true;
}

bool addEntry(Machine& p, Text& identifier, Text& failure) {
    identifier.clear();
    const Call created = call(p, "/create /d \"" + Text(kDescription) + "\" /application bootsector");
    if (!created.ok) {
        failure = "无法在启动配置中添加启动项：" + created.failure;
        if (created.run.started && !created.run.finished) takeBackUnknown(p, failure);
        return false;
    }
    const Text id = identifierIn(created.run.output);
    if (id.empty()) {
        failure = "bcdedit /create 的回答中没有新启动项的标识符：" + summary(created.run.output);
        takeBackUnknown(p, failure);
        return false;
    }
    const Text steps[] = {
        "/set " + id + " device " + entryDevice(),
        "/set " + id + " path " + entryPath(),
        "/bootsequence " + id,
    };
    for (const Text& step : steps) {
        const Call c = call(p, step);
        if (c.ok) continue;
        failure = "无法设置启动项 " + id + "：" + c.failure;
        takeBack(p, id, failure);
        return false;
    }
    identifier = id;
    return true;
}

bool removeEntry(Machine& p, const Text& identifier, Text& failure) {
    const Call c = call(p, "/delete " + identifier);
    if (c.ok) return true;
    // It may have been gone already (removed by hand, or by an earlier try
    // whose answer was lost): then there is nothing left to do.
    const Call listed = call(p, "/enum all /v");
    if (listed.ok) {
        const std::vector<ListedEntry> entries = parseListing(listed.run.output);
        if (std::none_of(entries.begin(), entries.end(),
                         [&](const ListedEntry& e) { return sameIdentifier(e.identifier, identifier); }))
            return true;
    }
    failure = c.failure;
    return false;
}

bool findEntries(Machine& p, std::vector<Text>& identifiers, Text& failure, std::vector<Text>* started) {
    identifiers.clear();
    if (started) started->clear();
    const Call listed = call(p, "/enum all /v");
    if (!listed.ok) {
        failure = "无法读取启动配置：" + listed.failure;
        return false;
    }
    const std::vector<ListedEntry> entries = parseListing(listed.run.output);
    // Every store holds the boot manager's own entry. A listing in which it
    // cannot be found is one this reading does not understand: it cannot
    // tell that no entry of ours is there either.
    const auto manager = std::find_if(entries.begin(), entries.end(), [](const ListedEntry& e) {
        return sameIdentifier(e.identifier, kBootManagerGuid) || sameIdentifier(e.identifier, "{bootmgr}");
    });
    if (manager == entries.end()) {
        failure = "无法读取启动配置：bcdedit /enum all /v 的回答中找不到 Windows 启动管理器的启动项，"
                  "无法确认启动配置中是否还有本程序的启动项。";
        return false;
    }
    for (const ListedEntry& e : entries) {
        if (!isGuid(e.identifier)) continue;
        if (std::find(e.values.begin(), e.values.end(), Text(kDescription)) == e.values.end()) continue;
        identifiers.push_back(e.identifier);
        // The boot manager names an entry of ours only in its one-time boot sequence.
        if (started && std::any_of(manager->values.begin(), manager->values.end(),
                                   [&](const Text& v) { return sameIdentifier(v, e.identifier); }))
            started->push_back(e.identifier);
    }
    return true;
}

bool removeOurEntries(Machine& p, int& removed, Text& failure) {
    removed = 0;
    std::vector<Text> ours;
    if (!findEntries(p, ours, failure)) return false;
    return removeEntries(p, ours, removed, failure);
}

bool removeEntries(Machine& p, const std::vector<Text>& identifiers, int& removed, Text& failure) {
    bool all = true;
    for (const Text& id : identifiers) {
        Text f;
        if (removeEntry(p, id, f)) {
            ++removed;
        } else {
            failure += (failure.empty() ? "" : "\r\n") + ("无法删除启动项 " + id + "：" + f);
            all = false;
        }
    }
    return all;
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
            entries.push_back({});
            inEntry = wantIdentifier = true;
            continue;
        }
        const Text trimmed = text::trimTrailing(line);
        if (trimmed.empty()) {
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
    return entries;
}

}  // namespace trivex::job::bcd
