#include "job/route.h"

#include <algorithm>
#include <vector>

#include "job/boot_store.h"
#include "job/job_files.h"
#include "job/record.h"

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

namespace {

Text listed(const std::vector<Text>& ids) {
    Text all;
    for (const Text& id : ids) all += (all.empty() ? "" : " ") + id;
    return all;
}

bool named(const std::vector<Text>& ids, const Text& id) {
    return std::any_of(ids.begin(), ids.end(), [&](const Text& i) { return bcd::sameIdentifier(i, id); });
}

}  // namespace

std::optional<Problem> tidyStore(Machine& p) {
    if (bootRouteOf(p) != BootRoute::BootStore || !bcd::ready(p)) return {};
    const Expected<bcd::StoreState> state = bcd::readStore(p);
    if (!state) return {};
    const std::optional<JobRecord> onC = findJobFiles(p).record;
    std::vector<Text> recorded = onC ? onC->entries : std::vector<Text>{};
    std::vector<Problem> told;
    // The outcome copies of this machine's jobs (under their name, or the
    // name an earlier version gave them): only a record of this machine's
    // may remove an entry.
    std::vector<JobRecord> copies;
    for (char d = 'C'; d <= 'Z'; ++d)
        for (const Text& path : {outcomeRecordPath(Text(1, d) + ":"), earlierOutcomePath(d)}) {
            if (p.fileAttributes(path) < 0) continue;
            const std::optional<JobRecord> r = readOurRecord(p, path);
            if (r && r->outcomeCopy && r->route == BootRoute::BootStore) copies.push_back(*r);
        }
    for (const JobRecord& copy : copies) {
        const JobRecord* r = &copy;
        recorded.insert(recorded.end(), r->entries.begin(), r->entries.end());
        // A job still on C: waits, or its undo or repair takes its entries.
        if (onC && onC->token == r->token) continue;
        std::vector<Text> left;
        for (const Text& id : r->entries)
            if (state->holds(id)) left.push_back(id);
        if (left.empty()) continue;
        int removed = 0;
        if (Result gone = bcd::removeEntries(p, left, removed); !gone)
            told.push_back(around(Code::StaleEntryStays, {gone.problem()}));
        if (Result back = bcd::restoreSequence(p, r->sequence); !back)
            told.push_back(around(Code::SequenceNotPutBack, {back.problem()}, {listed(r->sequence)}));
    }
    std::vector<Text> others;
    for (const Text& id : state->described)
        if (!named(recorded, id)) others.push_back(id);
    if (!others.empty()) told.push_back({Code::EntriesLookLikeOurs, {listed(others)}});
    if (told.empty()) return {};
    if (told.size() == 1) return told[0];
    return around(Code::Lines, std::move(told));
}

}  // namespace trivex::job
