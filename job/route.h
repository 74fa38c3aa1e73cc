// How a job makes the machine's next start run the loader. A machine that
// starts through NTLDR reads the NT boot menu C:\boot.ini, which the job
// redirects (job/boot_menu.h). One that starts through the boot manager of
// Windows Vista and later reads its configuration store, whatever boot.ini
// it may still hold: the job adds a one-time boot entry for C:\grldr.mbr
// there (job/boot_store.h).
#pragma once

#include <optional>

#include "platform/problem.h"

namespace trivex::job {

enum class BootRoute { BootIni, BootStore };

// The system partition decides: bootmgr with Boot\BCD there means the store
// (a machine with Windows XP and a later Windows starts through bootmgr,
// which reads boot.ini only when the earlier Windows is chosen), ntldr with
// boot.ini the boot menu. Where the system cannot say (or the partition
// holds neither), the running Windows does: Vista and later the store.
BootRoute bootRouteOf(Machine& p);

// Why a job cannot take the route the machine starts by; done when it
// can, or when the system cannot say: Windows XP on a machine that starts
// through bootmgr, or a boot menu that is not C:\boot.ini.
Result routeRefusal(Machine& p);

// A finished job leaves its one-time entry in the store (the boot manager
// only forgets the sequence). At start, before the last job's outcome is
// told: the entries that the outcome copy of a finished job (one no longer
// on C:) names leave the store, and the one-time boot they replaced comes
// back. Entries described like ours that no record names stay, and are
// told. What to tell the user; nothing when all went or there was nothing
// to do. Silent where the store route does not apply or cannot be used.
std::optional<Problem> tidyStore(Machine& p);

}  // namespace trivex::job
