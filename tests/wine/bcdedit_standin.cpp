// A stand-in bcdedit.exe for the Wine tests (Wine has none). Copied into the
// prefix's System32 as bcdedit.exe, it keeps a small boot configuration store
// in the file bcdedit.store beside itself and runs each call through the
// simulated bcdedit (tests/support/fake_bcdedit.h): the answers, their GBK
// texts and exit codes are those of the Simplified Chinese edition.
//
// The store file is text: a test writes it (FakeBcdStore::save, or by hand)
// and reads it back afterwards. Besides the entries it holds the log of every
// call and the faults to inject: a line "fail-call N" makes call number N
// (from 0) fail, a line "fail-when TEXT" every call whose arguments contain
// TEXT. Run as "bcdedit.exe --trivex-new-store" it writes a store as Windows
// 7 leaves it.
#include <windows.h>

#include <string>

#include "tests/support/fake_bcdedit.h"

namespace {

using trivex::Text;

Text besideMe(const char* name) {
    char self[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    const Text path(self, n);
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

bool readWhole(const Text& path, Text& out) {
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    char buf[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(h, buf, sizeof buf, &got, nullptr) != FALSE) && got > 0) out.append(buf, got);
    CloseHandle(h);
    return ok;
}

bool writeWhole(const Text& path, const Text& bytes) {
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) && put == bytes.size();
    return CloseHandle(h) && ok;
}

void say(const Text& bytes) {
    DWORD put = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
}

// The text after the program's name on the command line.
Text arguments() {
    const Text line = GetCommandLineA();
    size_t at = line.empty() ? Text::npos : line[0] == '"' ? line.find('"', 1) : line.find(' ');
    if (at == Text::npos) return {};
    ++at;
    while (at < line.size() && line[at] == ' ') ++at;
    return line.substr(at);
}

}  // namespace

// Waits while bcdedit.hold names part of `arguments`.
void holdWhileAsked(const Text& arguments) {
    const Text holdPath = besideMe("bcdedit.hold"), heldPath = besideMe("bcdedit.held");
    Text hold;
    if (!readWhole(holdPath, hold)) return;
    while (!hold.empty() && (hold.back() == '\n' || hold.back() == '\r')) hold.pop_back();
    if (hold.empty() || arguments.find(hold) == Text::npos) return;
    writeWhole(heldPath, arguments);
    for (int i = 0; i < 2400 && GetFileAttributesA(holdPath.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
    DeleteFileA(heldPath.c_str());
}

int main() {
    const Text storePath = besideMe("bcdedit.store");
    holdWhileAsked(arguments());
    // For the tests' set-up: a store as Windows 7 leaves it.
    if (arguments() == "--trivex-new-store")
        return writeWhole(storePath, trivex::sim::FakeBcdStore::windows7().save()) ? 0 : 1;
    Text saved;
    std::optional<trivex::sim::FakeBcdStore> store;
    if (readWhole(storePath, saved)) store = trivex::sim::FakeBcdStore::load(saved);
    if (!store) {
        say("无法打开启动配置数据存储。\r\n系统找不到指定的文件。\r\n");
        return 1;
    }
    const trivex::sim::ToolAnswer answer = store->run(arguments());
    if (!writeWhole(storePath, store->save())) {
        say("无法保存启动配置数据存储。\r\n");
        return 1;
    }
    say(answer.output);
    return static_cast<int>(answer.exitCode);
}
