#include "job/manual_ghost.h"

#include "job/files.h"
#include "payloads/store.h"

namespace trivex::job {

namespace {
constexpr int kShowNormal = 2;
}  // namespace

Text startGhost32(Platform& p) {
    if (!payloads::writePayload(p, kGhost32Exe, payloads::Payload::Ghost32)) {
        p.deleteFile(kGhost32Exe);  // what a full disk left of it
        return "无法写入 E:\\Ghost32.exe（没有 E 盘、E 盘不可写或文件正在使用），Ghost32 未启动。";
    }
    if (!p.runCommandLine(kGhost32Exe, false, kShowNormal)) {
        p.deleteFile(kGhost32Exe);
        return "无法启动 E:\\Ghost32.exe。";
    }
    return {};
}

void removeGhost32(Platform& p) { p.deleteFile(kGhost32Exe); }

}  // namespace trivex::job
