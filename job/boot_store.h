// The boot configuration store of Windows Vista and later (BIOS machines):
// the one-time boot of the loader's boot-sector file C:\grldr.mbr through an
// entry of ours, made, found and removed with the system's bcdedit.
//
// The entry: a boot-sector application ("实模式启动扇区") described
// "Trivex Ghost", device partition=C:, path \grldr.mbr, set as the boot
// manager's one-time boot sequence only. It is never the default and never in
// the display order, so the restart after a job runs it once and every later
// start is Windows again, whether or not the DOS side ever runs.
//
// Every bcdedit call is checked (started, ended in time, exit code 0). A
// failure is a problem that names the call and carries what bcdedit said. Entries are recognised by their identifier in braces and by
// our description, never by the localised words around them: the Simplified
// Chinese edition answers in GBK.
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

// Adds our entry and makes it the one-time boot sequence; its identifier
// ("{…}", as bcdedit printed it). On a failure at any call the store is put
// back as it was (the entry deleted again) and the problem names the
// failing call, and the take-back's own failure if there was one.
Expected<Text> addEntry(Machine& p);

// Deletes the entry (and, with it, every reference to it: the boot
// sequence). Done when it is gone afterwards, also when it was gone before.
Result removeEntry(Machine& p, const Text& identifier);

// The identifiers of every entry of ours in the store, in store order. A
// problem when the store cannot be listed, or when the listing shows no
// boot manager entry (a listing this reading does not understand).
// `started`, when given, gets those the boot manager will start: the ones
// its entry names (a job's one-time boot sequence; once that start is done,
// the boot manager forgets the sequence and the entry is left over).
Result findEntries(Machine& p, std::vector<Text>& identifiers, std::vector<Text>* started = nullptr);

// Removes every entry of ours (such as one that a finished job left behind).
// Done when none is left; `removed` counts those deleted.
Result removeOurEntries(Machine& p, int& removed);
// Removes the entries named (found earlier with findEntries); done when all
// are gone, `removed` counting them; else each that stayed.
Result removeEntries(Machine& p, const std::vector<Text>& identifiers, int& removed);

// ---- The reading of bcdedit's answers (used by the above; tests use them) ----

// The first identifier "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in a GBK
// text, stepping over two-byte characters (whose second byte may be "{" or
// "}"); empty when there is none.
Text identifierIn(const Text& answer);

// One entry of a `bcdedit /enum` listing: its identifier (the value of the
// first line under the heading's underline) and the values of its lines.
struct ListedEntry {
    Text identifier;
    std::vector<Text> values;
};
std::vector<ListedEntry> parseListing(const Text& listing);

}  // namespace trivex::job::bcd
