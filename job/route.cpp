#include "job/route.h"

#include <vector>

#include "job/boot_store.h"
#include "job/job_files.h"

namespace trivex::job {

BootRoute bootRouteOf(Machine& p) {
    SystemPartition system;
    if (p.systemPartition(system)) {
        if (system.bootManager) return BootRoute::BootStore;
        if (system.ntLoader) return BootRoute::BootIni;
    }
    return p.windowsVersion().major >= 6 ? BootRoute::BootStore : BootRoute::BootIni;
}

Result routeRefusal(Machine& p) {
    SystemPartition system;
    if (!p.systemPartition(system)) return {};
    if (system.bootManager) {
        if (p.windowsVersion().major == 5) return Problem{Code::XpBehindBootManager};
        return {};
    }
    if (system.ntLoader && system.letter != 'C') {
        if (system.letter) return Problem{Code::BootIniOnDrive, {Arg::letter(system.letter)}};
        return Problem{Code::BootIniOnHiddenPartition, {Arg::number(system.place.disk)}};
    }
    return {};
}

Result removeStaleEntries(Machine& p) {
    if (bootRouteOf(p) != BootRoute::BootStore || !bcd::ready(p)) return {};
    std::vector<Text> ids;
    if (!bcd::findEntries(p, ids) || ids.empty()) return {};
    if (jobWaits(p)) return {};  // the job has not had its restart yet
    int removed = 0;
    if (Result r = bcd::removeEntries(p, ids, removed); !r) return around(Code::StaleEntryStays, {r.problem()});
    return {};
}

}  // namespace trivex::job
