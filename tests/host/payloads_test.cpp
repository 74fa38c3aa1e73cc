// The payload store and "write payload", against the simulated machine.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "payloads/store.h"
#include "tests/support/sim_machine.h"
#include "tests/support/test_toolkit.h"

namespace trivex {
namespace {

using payloads::Payload;

constexpr Payload kAll[] = {Payload::Loader, Payload::GhostDos,    Payload::DosImage, Payload::ProbeScript,
                            Payload::Skin,   Payload::SkinLibrary, Payload::Ghost32,  Payload::LoaderMbr};

Text bytesOf(Payload p) {
    const ByteView v = payloads::data(p);
    return Text(static_cast<const char*>(v.data), v.size);
}

uint32_t u32At(const void* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// The preset command list the loader payload ends with, zero byte included.
const std::string kPresetMenu(
    "find --set-root /Vemo.img\n"
    "map --mem /Vemo.img (fd0)\n"
    "map --hook\n"
    "chainloader (fd0)+1\n"
    "rootnoverify (fd0)\n",
    103);

TEST(PayloadStore, EveryPayloadIsARecordOfDimensionOneAndItsLength) {
    for (Payload p : kAll) {
        const ByteView v = payloads::data(p);
        const auto* record = static_cast<const unsigned char*>(v.data) - 8;
        EXPECT_EQ(u32At(record), 1u) << payloads::name(p);
        EXPECT_EQ(u32At(record + 4), v.size) << payloads::name(p);
    }
}

TEST(PayloadStore, PayloadsHaveTheirFixedTargetsAndShapes) {
    EXPECT_STREQ(payloads::targetPath(Payload::Loader), "C:\\grldr");
    EXPECT_STREQ(payloads::targetPath(Payload::GhostDos), "C:\\ghost.exe");
    EXPECT_STREQ(payloads::targetPath(Payload::DosImage), "C:\\Vemo.img");
    EXPECT_STREQ(payloads::targetPath(Payload::ProbeScript), "C:\\fqs.bat");
    EXPECT_STREQ(payloads::targetPath(Payload::Ghost32), "E:\\Ghost32.exe");
    EXPECT_STREQ(payloads::targetPath(Payload::LoaderMbr), "C:\\grldr.mbr");
    EXPECT_STREQ(payloads::targetPath(Payload::Skin), "");
    EXPECT_STREQ(payloads::targetPath(Payload::SkinLibrary), "");

    const Text image = bytesOf(Payload::DosImage);
    EXPECT_EQ(image.size(), 2949120u);
    EXPECT_EQ(image.substr(0, 11), "\xEB\x3C\x90MSWIN4.1");

    const Text loader = bytesOf(Payload::Loader);
    ASSERT_GE(loader.size(), kPresetMenu.size());
    EXPECT_EQ(loader.substr(loader.size() - kPresetMenu.size()), kPresetMenu);

    EXPECT_EQ(bytesOf(Payload::GhostDos).substr(0, 2), "MZ");
    EXPECT_EQ(bytesOf(Payload::Ghost32).substr(0, 2), "MZ");

    const Text mbr = bytesOf(Payload::LoaderMbr);  // a boot-sector file
    ASSERT_GE(mbr.size(), 512u);
    EXPECT_EQ(mbr.substr(510, 2), "\x55\xAA");
}

TEST(PayloadStore, ProbeScriptIsTheGbkBatchTextWithCrLfBetweenLines) {
    const Text script = bytesOf(Payload::ProbeScript);
    const std::string e8(8, ' '), e16(16, ' ');
    // Line 3 is a comment of our own; every other line is fixed.
    const std::string before = "@echo off\r\n:: 显示磁盘分区数\r\n";
    const std::string after =
        "setlocal ENABLEDELAYEDEXPANSION\r\n"
        "rem 获取磁盘信息\r\n"
        "for /f \"tokens=1,2 delims= \" %%a in ('echo list disk ^|diskpart ^|findstr /r /c:\"磁盘 [0-9] \"') do (\r\n" +
        e8 + "@echo select disk=%%b>%%b.script\r\n" +
        e8 + "@echo list partition>>%%b.script\r\n" +
        e8 + "@echo exit>>%%b.script\r\n" +
        e8 + "rem 执行脚本,获取磁盘分区信息\r\n" +
        e8 + "for /f \"tokens=1,2 delims= \" %%m in ('diskpart /s %%b.script ^|findstr /r /c:\"分区 [0-9] \"') do (\r\n" +
        e16 + "rem 减去扩展的分区数\r\n" +
        e16 + "set /a num=%%n-1\r\n" +
        e8 + ")\r\n" +
        e8 + "del %%b.script\r\n" +
        e8 + "echo 磁盘 %%b        含有!num!\r\n"
        ")\r\n"
        "pause";
    ASSERT_GT(script.size(), before.size() + after.size());
    EXPECT_EQ(script.substr(0, before.size()), before);
    EXPECT_EQ(script.substr(script.size() - after.size()), after);
    const Text comment = script.substr(before.size(), script.size() - before.size() - after.size());
    EXPECT_EQ(comment.substr(0, 2), "::");
    EXPECT_EQ(comment.substr(comment.size() - 2), "\r\n");
    EXPECT_EQ(comment.find("\r\n"), comment.size() - 2);  // one line
}

TEST(PayloadStore, DemoBuildMeansAStandInOnTheBootPath) {
    const bool boot = payloads::isStandIn(Payload::Loader) || payloads::isStandIn(Payload::GhostDos) ||
                      payloads::isStandIn(Payload::DosImage);
    EXPECT_EQ(payloads::isDemoBuild(), boot);
    // Through the boot configuration store the boot-sector file is on the path too.
    EXPECT_EQ(payloads::isDemoBuild(true), boot || payloads::isStandIn(Payload::LoaderMbr));
    EXPECT_FALSE(payloads::isStandIn(Payload::ProbeScript));  // always the program's own
}

class WritePayload : public ::testing::Test {
protected:
    void SetUp() override { machine.addDrive('C', 20ull << 30, 15ull << 30); }
    sim::SimMachine machine;
};

TEST_F(WritePayload, OverALargerFileLeavesExactlyThePayload) {
    ASSERT_TRUE(machine.addFile("C:\\grldr", Text(1 << 20, 'x')));
    EXPECT_TRUE(payloads::writePayload(machine, "C:\\grldr", Payload::Loader));
    EXPECT_EQ(machine.content("C:\\grldr"), bytesOf(Payload::Loader));

    EXPECT_TRUE(payloads::writePayload(machine, "C:\\Vemo.img", Payload::DosImage));
    EXPECT_EQ(machine.content("C:\\Vemo.img")->size(), 2949120u);
    EXPECT_EQ(machine.content("C:\\Vemo.img")->substr(0, 3), "\xEB\x3C\x90");
}

TEST_F(WritePayload, MissingDriveOrEmptyPathFailsAndCreatesNothing) {
    EXPECT_FALSE(payloads::writePayload(machine, "E:\\Ghost32.exe", Payload::Ghost32));
    EXPECT_FALSE(machine.exists("E:\\Ghost32.exe"));
    EXPECT_FALSE(payloads::writePayload(machine, "", Payload::ProbeScript));
    EXPECT_FALSE(payloads::writePayload(machine, "C:\\no such folder\\fqs.bat", Payload::ProbeScript));
    EXPECT_FALSE(machine.exists("C:\\no such folder"));
}

TEST_F(WritePayload, ReadOnlyFileFailsAndKeepsItsBytes) {
    ASSERT_TRUE(machine.addFile("C:\\ghost.exe", "old ghost", kAttrReadOnly | kAttrArchive));
    EXPECT_FALSE(payloads::writePayload(machine, "C:\\ghost.exe", Payload::GhostDos));
    EXPECT_EQ(machine.content("C:\\ghost.exe"), "old ghost");
    EXPECT_EQ(machine.attributes("C:\\ghost.exe"), kAttrReadOnly | kAttrArchive);
}

TEST_F(WritePayload, FailedWriteIsReported) {
    machine.failOn(sim::Op::Write, "C:\\fqs.bat");
    EXPECT_FALSE(payloads::writePayload(machine, "C:\\fqs.bat", Payload::ProbeScript));
    EXPECT_TRUE(payloads::writePayload(machine, "C:\\fqs.bat", Payload::ProbeScript));
    EXPECT_EQ(machine.content("C:\\fqs.bat"), bytesOf(Payload::ProbeScript));
}

}  // namespace
}  // namespace trivex
