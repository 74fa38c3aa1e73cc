// How a job makes the machine's next start run the loader. Windows XP and
// earlier start from the NT boot menu C:\boot.ini, which the job redirects
// (job/boot_menu.h). Windows Vista and later start from the boot manager and
// its configuration store, whatever boot.ini a machine may still hold: the
// job adds a one-time boot entry for C:\grldr.mbr there (job/boot_store.h).
#pragma once

#include "platform/platform.h"

namespace trivex::job {

enum class BootRoute { BootIni, BootStore };

BootRoute bootRouteOf(Platform& p);

// Why a job cannot go through the store on this machine; empty when it can.
Text storeRefusal(Platform& p);

// A finished job leaves its one-time entry in the store (the boot manager
// only forgets the sequence): at start, with no job of ours waiting on C:,
// entries of ours are removed. Empty when there was nothing to do or it
// went; else what failed, for the user. Silent where the store route does
// not apply or cannot be used.
Text removeStaleEntries(Platform& p);

}  // namespace trivex::job
