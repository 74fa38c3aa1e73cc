#include "job/ownership.h"

#include <algorithm>

#include "job/boot_menu.h"
#include "job/boot_store.h"
#include "job/files.h"
#include "job/tokens.h"
#include "payloads/store.h"

namespace trivex::job {

namespace {

// Kept in a record line the DOS side reads whole (at most 255 bytes).
constexpr size_t kMostMarks = 6;

// FNV-1a, 64 bits, of what the part says of itself: 16 upper-case hex digits.
Text markOf(const Text& id) {
    uint64_t h = 1469598103934665603ull;
    for (const char c : "Trivex machine " + id) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    static const char kHex[] = "0123456789ABCDEF";
    Text mark(16, '0');
    for (size_t i = mark.size(); i-- > 0; h >>= 4) mark[i] = kHex[h & 15];
    return mark;
}

bool shareAny(const std::vector<Text>& a, const std::vector<Text>& b) {
    return std::any_of(a.begin(), a.end(), [&](const Text& m) { return std::find(b.begin(), b.end(), m) != b.end(); });
}

}  // namespace

std::vector<Text> machineMarks(Machine& p) {
    std::vector<Text> marks;
    for (const Text& id : p.hardwareIdentity()) marks.push_back(markOf(id));
    std::sort(marks.begin(), marks.end());
    marks.erase(std::unique(marks.begin(), marks.end()), marks.end());
    if (marks.size() > kMostMarks) marks.resize(kMostMarks);
    return marks;
}

const std::vector<Text>& Ownership::kept() {
    if (!kept_) kept_ = keptTokens(p_);
    return *kept_;
}

const std::vector<Text>& Ownership::marks() {
    if (!marks_) marks_ = machineMarks(p_);
    return *marks_;
}

const std::optional<Text>& Ownership::armed() {
    if (armed_) return *armed_;
    armed_.emplace();
    const std::optional<JobRecord> r = readRecord(p_, kJobRecord);
    if (!r || r->outcomeCopy) return *armed_;
    const std::optional<Text> image = payloads::dosImageToken(p_, kVemoImg);
    if (!image || *image != r->token) return *armed_;
    bool starts = false;
    if (r->route == BootRoute::BootIni) {
        starts = BootMenu(p_).namesLoader();
    } else {
        // A store that cannot be read may still start the loader.
        const Expected<bcd::StoreState> state = bcd::ready(p_) ? bcd::readStore(p_) : Expected<bcd::StoreState>(Problem{});
        starts = !state || std::any_of(r->entries.begin(), r->entries.end(), [&](const Text& id) { return state->holds(id); });
    }
    if (starts) *armed_ = r->token;
    return *armed_;
}

bool Ownership::ours(const Text& token) {
    if (!payloads::isToken(token)) return false;
    if (std::find(kept().begin(), kept().end(), token) != kept().end()) return true;
    return armed() && *armed() == token;
}

Whose Ownership::of(const JobRecord& record) {
    if (!payloads::isToken(record.token)) return Whose::Others;
    if (armed() && *armed() == record.token) return Whose::Ours;
    const bool named = !record.machine.empty() && !marks().empty();
    const bool here = named && shareAny(record.machine, marks());
    if (std::find(kept().begin(), kept().end(), record.token) != kept().end())
        return !named || here ? Whose::Ours : Whose::Others;
    if (here) return Whose::Ours;
    return named ? Whose::Others : Whose::Unknown;
}

}  // namespace trivex::job
