// "Write payload" on the Windows implementation (cross build, run under
// Wine): the file written holds exactly the payload, and failures leave the
// disk as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "payloads/store.h"
#include "platform/win32/win32_machine.h"

namespace trivex {
namespace {

using payloads::Payload;

std::string readWhole(const std::string& path) {
    std::string data;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "<missing>";
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0) data.append(buf, n);
    CloseHandle(f);
    return data;
}

bool writeWhole(const std::string& path, const std::string& data) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const bool ok = WriteFile(f, data.data(), static_cast<DWORD>(data.size()), &n, nullptr) && n == data.size();
    return CloseHandle(f) && ok;
}

std::string bytesOf(Payload p) {
    const ByteView v = payloads::data(p);
    return std::string(static_cast<const char*>(v.data), v.size);
}

class WinePayload : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH + 1] = {};
        GetTempPathA(sizeof temp, temp);
        char name[64];
        std::snprintf(name, sizeof name, "trivex-payloads-%08lx\\", static_cast<unsigned long>(GetTickCount()));
        dir = std::string(temp) + name;
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    }
    void TearDown() override {
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((dir + "*").c_str(), &fd);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::string path = dir + fd.cFileName;
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            } while (FindNextFileA(find, &fd));
            FindClose(find);
        }
        RemoveDirectoryA(dir.c_str());
    }
    win32::Win32Machine machine;
    std::string dir;
};

TEST_F(WinePayload, OverALargerFileLeavesExactlyThePayload) {
    ASSERT_TRUE(writeWhole(dir + "grldr", std::string(4 << 20, 'x')));
    EXPECT_TRUE(payloads::writePayload(machine, dir + "grldr", Payload::Loader));
    EXPECT_TRUE(readWhole(dir + "grldr") == bytesOf(Payload::Loader));

    EXPECT_TRUE(payloads::writePayload(machine, dir + "Vemo.img", Payload::DosImage));
    const std::string image = readWhole(dir + "Vemo.img");
    EXPECT_EQ(image.size(), 2949120u);
    EXPECT_EQ(image.substr(0, 3), "\xEB\x3C\x90");
}

TEST_F(WinePayload, MissingDriveOrFolderFailsAndCreatesNothing) {
    const DWORD drives = GetLogicalDrives();
    char letter = 0;
    for (char c = 'Y'; c > 'C' && !letter; --c)
        if (!(drives & (1u << (c - 'A')))) letter = c;
    ASSERT_NE(letter, 0);
    const std::string onMissingDrive = std::string(1, letter) + ":\\Ghost32.exe";
    EXPECT_FALSE(payloads::writePayload(machine, onMissingDrive, Payload::Ghost32));
    EXPECT_EQ(GetFileAttributesA(onMissingDrive.c_str()), INVALID_FILE_ATTRIBUTES);

    EXPECT_FALSE(payloads::writePayload(machine, dir + "no folder\\fqs.bat", Payload::ProbeScript));
    EXPECT_EQ(GetFileAttributesA((dir + "no folder").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(payloads::writePayload(machine, "", Payload::ProbeScript));
}

// Windows refuses to create a file over a read-only one; so does Wine for an
// ordinary user (run_in_wine.sh --ordinary-user), though not for root.
TEST_F(WinePayload, ReadOnlyFileFailsAndKeepsItsBytes) {
    const std::string path = dir + "ghost.exe";
    ASSERT_TRUE(writeWhole(path, "old ghost"));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(payloads::writePayload(machine, path, Payload::GhostDos)) << "written over as root?";
    EXPECT_EQ(readWhole(path), "old ghost");
}

TEST_F(WinePayload, OpenFileWithoutSharingFailsAndKeepsItsBytes) {
    const std::string path = dir + "fqs.bat";
    ASSERT_TRUE(writeWhole(path, "in use"));
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(payloads::writePayload(machine, path, Payload::ProbeScript));
    CloseHandle(held);
    EXPECT_EQ(readWhole(path), "in use");
}

}  // namespace
}  // namespace trivex
