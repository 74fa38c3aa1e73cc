#include "job/ghost32.h"

#include "job/files.h"
#include "payloads/store.h"
#include "platform/files.h"

namespace trivex::job {

namespace {
// E:\Ghost32.exe is ours only while it holds the embedded Ghost32.
bool holdsOurGhost32(Machine& p) { return fileHolds(p, kGhost32Exe, payloads::data(payloads::Payload::Ghost32)); }
}  // namespace

Text startGhost32(Machine& p) {
    // A Ghost32.exe of the user's own at that name is never written over.
    if (p.fileAttributes(kGhost32Exe) >= 0 && !holdsOurGhost32(p))
        return "E:\\Ghost32.exe 已存在，但不是本程序写入的文件（可能是您自己的 Ghost32）。本程序不会覆盖它，"
               "Ghost32 未启动。请直接运行它，或把它移到别的文件夹后再选择此项。";
    if (!holdsOurGhost32(p) && !payloads::writePayloadWhole(p, kGhost32Exe, payloads::Payload::Ghost32))
        return "无法写入 E:\\Ghost32.exe（没有 E 盘、E 盘不可写或文件正在使用），Ghost32 未启动。";
    if (!p.startProgram(kGhost32Exe)) {
        removeGhost32(p);
        return "无法启动 E:\\Ghost32.exe。";
    }
    return {};
}

void removeGhost32(Machine& p) {
    if (holdsOurGhost32(p)) (void)p.deleteFile(kGhost32Exe);
}

}  // namespace trivex::job
