// Whose a job's record is. A record, its outcome copy, and every file a
// record names, are acted on only when the record is this machine's job;
// the next start must know its own job even after Ghost wrote over C:, and
// must never take another computer's for its own.
//
// What proves it, in this order:
//  - the job armed on C:: the job copy C:\TRIVEX.JOB whose token the boot
//    image C:\Vemo.img carries, while boot.ini names the loader (or cannot
//    be read) or the boot store holds an entry the record names (or cannot
//    be read). Such a job starts at the next restart whatever else is kept
//    where: it is this machine's to name and to undo, and its loader stays.
//  - a token the program kept on this machine (job/tokens.h), unless the
//    record names the computer it was prepared on and every part it names
//    is missing here: the disks were copied, registry and all, to another
//    computer (classrooms clone whole disks).
//  - the computer's own parts (Machine::hardwareIdentity): a record that
//    names a part this computer has. The record keeps one mark per part (a
//    hash, not the serial or the address itself). Nothing on a partition
//    makes these marks, so a restore of C: from an image, which brings back
//    a registry without the job's token, leaves them as they were.
// Any other record is another computer's, or, where neither side names a
// part (a record of an earlier version, a computer whose parts say
// nothing), one whose computer cannot be told: it is left as it is, and
// the user told so.
#pragma once

#include <optional>
#include <vector>

#include "job/record.h"

namespace trivex::job {

enum class Whose { Ours, Others, Unknown };

// This computer's marks, one per part, sorted: what a job's record keeps.
std::vector<Text> machineMarks(Machine& p);

// What this machine can show, read once and only as far as a question needs.
class Ownership {
public:
    explicit Ownership(Machine& p) : p_(p) {}
    Whose of(const JobRecord& record);
    // A token alone (the start of a record, cut while it was written): one
    // kept here, or the armed job's.
    bool ours(const Text& token);

private:
    const std::vector<Text>& kept();
    const std::vector<Text>& marks();
    const std::optional<Text>& armed();

    Machine& p_;
    std::optional<std::vector<Text>> kept_, marks_;
    std::optional<std::optional<Text>> armed_;
};

}  // namespace trivex::job
