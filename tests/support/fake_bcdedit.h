// A boot configuration store with the bcdedit that edits it, answering as the
// Simplified Chinese edition of Windows 7 does: GBK texts, the field names of
// `/enum` in English except the localised identifier label "标识符", entry
// headings in Chinese, "项 {...} 成功创建。" after `/create`, exit code 0 on
// success and 1 on failure.
//
// The host tests install it as the simulated machine's bcdedit.exe
// (installAsBcdedit); the Wine tests' stand-in bcdedit.exe keeps one in a file
// (save/load) and runs each call through it.
//
// Supported calls (switches and names ignore letter case; identifiers are
// GUIDs in braces or the well-known names {bootmgr}, {current}, {default},
// {memdiag}):
//   /create [{id}] /d <description> /application bootsector|osloader
//   /set <id> <element> <value>
//   /deletevalue <id> <element>
//   /delete <id> [/f] [/cleanup | /nocleanup]
//   /bootsequence | /displayorder | /toolsdisplayorder <id>... [/addfirst | /addlast | /remove]
//   /default <id>
//   /enum [active | all | bootmgr | osloader | <id>] [/v]
#pragma once

#include <optional>
#include <vector>

#include "tests/support/sim_system.h"

namespace trivex::sim {

class SimMachine;

class FakeBcdStore {
public:
    enum class Kind { BootManager, OsLoader, BootSector, Resume, MemoryTester };
    struct Element {
        Text name;                  // lower case
        std::vector<Text> values;   // one value, or the identifiers of a list (as GUIDs)
    };
    struct Entry {
        Text id;  // "{guid}", lower case
        Kind kind = Kind::OsLoader;
        std::vector<Element> elements;
    };

    static constexpr char kBootManager[] = "{9dea862c-5cdd-4e70-acc1-f32b344d4795}";
    static constexpr char kMemoryTester[] = "{b2721d73-1db4-4c62-bf78-c548a880142d}";

    // A BIOS machine's store as Windows 7 leaves it: the boot manager with
    // Windows 7 as its default and only menu entry, Windows 7's loader (the
    // running system, {current}), its resume entry and the memory tester.
    static FakeBcdStore windows7();

    // One run of bcdedit with the text that follows the program's name on
    // its command line.
    ToolAnswer run(const Text& arguments);

    // Fault injection: the call with number `n` (counted from 0 over the life
    // of the store, see calls()) fails; so does every call whose argument text
    // contains `part` (letter case ignored). A failing call changes nothing
    // and answers as bcdedit does when it cannot open the store.
    void failCall(int n) { failCall_ = n; }
    void failWhen(const Text& part) { failWhen_ = part; }
    int calls() const { return static_cast<int>(log_.size()); }
    // The argument text of every call, in order.
    const std::vector<Text>& log() const { return log_; }

    // The store, its faults and its log as text, and back (nullopt when the
    // text is not such a store).
    Text save() const;
    static std::optional<FakeBcdStore> load(const Text& text);

    const std::vector<Entry>& entries() const { return entries_; }
    // The entry an identifier names (GUID or well-known name), if any.
    const Entry* entry(const Text& id) const;
    // The values of an element of an entry (empty when either is missing).
    std::vector<Text> values(const Text& id, const Text& element) const;
    // The same store apart from the log and the faults.
    bool sameEntries(const FakeBcdStore& other) const;

private:
    Entry* find(const Text& id);
    Text resolve(const Text& id) const;  // GUID of an identifier, empty when unknown
    Text shown(const Text& guid, bool verbose) const;
    Text listing(const Entry& e, bool verbose) const;
    ToolAnswer create(const std::vector<Text>& args);
    ToolAnswer set(const std::vector<Text>& args);
    ToolAnswer deleteValue(const std::vector<Text>& args);
    ToolAnswer remove(const std::vector<Text>& args);
    ToolAnswer order(const Text& element, const std::vector<Text>& args);
    ToolAnswer setDefault(const std::vector<Text>& args);
    ToolAnswer enumerate(const std::vector<Text>& args);

    std::vector<Entry> entries_;
    Text current_;  // the running system's loader
    int nextId_ = 1;
    int failCall_ = -1;
    Text failWhen_;
    std::vector<Text> log_;
};

// Installs `store` as the simulated machine's bcdedit.exe; the store must
// outlive the machine's use of it.
void installAsBcdedit(SimMachine& machine, FakeBcdStore& store);

// The arguments of a command line split as Windows programs split them:
// at spaces and tabs outside double quotes, the quotes removed.
std::vector<Text> splitArguments(const Text& arguments);

}  // namespace trivex::sim
