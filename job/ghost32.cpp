#include "job/ghost32.h"

#include "job/files.h"
#include "payloads/store.h"
#include "platform/files.h"

namespace trivex::job {

namespace {
// E:\Ghost32.exe is ours only while it holds the embedded Ghost32.
bool holdsOurGhost32(Machine& p) { return fileHolds(p, kGhost32Exe, payloads::data(payloads::Payload::Ghost32)); }
}  // namespace

Result startGhost32(Machine& p) {
    // A Ghost32.exe of the user's own at that name is never written over.
    if (p.fileAttributes(kGhost32Exe) >= 0 && !holdsOurGhost32(p)) return Problem{Code::Ghost32NotOurs};
    if (!holdsOurGhost32(p))
        if (const SysResult r = payloads::writePayloadWhole(p, kGhost32Exe, payloads::Payload::Ghost32); !r)
            return stepFailed(Code::Ghost32WriteFailed, {}, r);
    if (const SysResult r = p.startProgram(kGhost32Exe); !r) {
        removeGhost32(p);
        return stepFailed(Code::Ghost32StartFailed, {}, r);
    }
    return {};
}

void removeGhost32(Machine& p) {
    if (holdsOurGhost32(p)) (void)p.deleteFile(kGhost32Exe);
}

}  // namespace trivex::job
