// The boot configuration store of Windows Vista and later (BIOS machines):
// the one-time boot of the loader's boot-sector file C:\grldr.mbr through an
// entry of ours, made, found and removed with the system's bcdedit.
//
// The entry: a boot-sector application ("实模式启动扇区") described
// "Trivex Ghost", device partition=C:, path \grldr.mbr, set as the boot
// manager's one-time boot sequence only. It is never the default and never in
// the display order, so the restart after a job runs it once and every later
// start is Windows again, whether or not the DOS side ever runs. Its
// identifier is chosen before it is made and kept in the job's record: only
// entries a record names are ever deleted; one that is merely described like
// ours is told, never deleted.
//
// Every bcdedit call is checked (started, ended in time, exit code 0). A
// failure is a problem that names the call and carries what bcdedit said.
// Entries are recognised by their identifier in braces, never by the
// localised words around them: the Simplified Chinese edition answers in GBK.
//
// Depends on the platform only.
#pragma once

#include <vector>

#include "platform/problem.h"

namespace trivex::job::bcd {

inline constexpr char kTool[] = "bcdedit.exe";
inline constexpr char kDescription[] = "Trivex Ghost";
// Each bcdedit call may take this long before it is ended and counts as failed.
inline constexpr uint32_t kCallTimeoutMs = 30000;

// Whether a job may go through the store on this machine (the caller has
// found no C:\boot.ini): Windows 6.0 or later, BIOS firmware (GRUB4DOS and
// DOS cannot start on UEFI), administrator rights (bcdedit cannot change the
// store without them), and bcdedit in the system folder. Else the first
// that is not so. Runs no tool and changes nothing.
Result ready(Machine& p);

// What the store holds that concerns a job, from one `bcdedit /enum all /v`.
struct StoreState {
    std::vector<Text> identifiers;  // every entry, in store order
    std::vector<Text> described;    // the entries described "Trivex Ghost" (ours or not)
    std::vector<Text> sequence;     // the boot manager's one-time boot sequence
    bool holds(const Text& identifier) const;
    bool starts(const Text& identifier) const;  // in the one-time boot sequence
};
// A problem when the store cannot be listed, or when the listing shows no
// boot manager entry (a listing this reading does not understand: it cannot
// tell what the next start runs).
Expected<StoreState> readStore(Machine& p);

// A fresh identifier for a job's entry, "{xxxxxxxx-xxxx-4xxx-8xxx-xxxxxxxxxxxx}".
// The job records it before it makes the entry, so that every entry of ours
// in the store is named by a record.
Text newIdentifier(Machine& p);

// Makes our entry under `identifier` and makes it the boot manager's
// one-time boot sequence (in place of whatever sequence was set; the caller
// keeps that). On a failure at any call the entry is deleted again and the
// problem names the failing call, and the deletion's own failure if there
// was one; `mayStart` then says whether the entry may still be in the store
// as the one-time boot (the sequence call did not end in time, and the
// deletion failed).
Result addEntry(Machine& p, const Text& identifier, bool& mayStart);

// Deletes the entry (and, with it, every reference to it: the boot
// sequence). Done when it is gone afterwards, also when it was gone before.
Result removeEntry(Machine& p, const Text& identifier);

// Deletes the entries named (those a record names); done when all are gone,
// `removed` counting the ones deleted; else each that stayed.
Result removeEntries(Machine& p, const std::vector<Text>& identifiers, int& removed);

// Makes `sequence` (a user's one-time boot, as a record kept it) the one-time
// boot sequence again, with the entries of it that are still in the store.
// Nothing to do when none is, or when the sequence is set already.
Result restoreSequence(Machine& p, const std::vector<Text>& sequence);

// ---- The reading of bcdedit's answers (used by the above; tests use them) ----

// Identifiers are listed in either letter case.
bool sameIdentifier(const Text& a, const Text& b);

// One entry of a `bcdedit /enum` listing: its identifier (the value of the
// first line under the heading's underline) and the values of its lines,
// each with the name of its element (a list's further lines carry the name
// of the list).
struct ListedEntry {
    Text identifier;
    std::vector<Text> values;
    std::vector<Text> names;
};
std::vector<ListedEntry> parseListing(const Text& listing);

}  // namespace trivex::job::bcd
