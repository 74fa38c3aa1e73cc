// diskpart.exe for tests: answers the two scripts of the partition-count
// probe the way the Simplified Chinese edition of diskpart does, in GBK.
//
//   echo list disk | diskpart            the disk list
//   diskpart /s <file>                   "select disk=N", "list partition", "exit"
//
// The machine it describes comes from the environment variable
// TRIVEX_STANDIN_DISKS: the partition count of each disk, comma-separated
// ("4,2": disk 0 with partitions 1-4, disk 1 with partitions 1-2; default
// "4"). An empty value lists no disk at all.
#include <fcntl.h>
#include <io.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<int> disks() {
    const char* spec = std::getenv("TRIVEX_STANDIN_DISKS");
    std::string s = spec ? spec : "4";
    std::vector<int> out;
    size_t pos = 0;
    while (pos < s.size()) {
        size_t comma = s.find(',', pos);
        if (comma == std::string::npos) comma = s.size();
        out.push_back(std::atoi(s.substr(pos, comma - pos).c_str()));
        pos = comma + 1;
    }
    return out;
}

void banner() {
    std::printf("\r\nMicrosoft DiskPart 版本 5.1.3565\r\n\r\n"
                "Copyright (C) 1999-2003 Microsoft Corporation.\r\n"
                "在计算机上: TRIVEX-TEST\r\n\r\n");
}

void prompt() { std::printf("DISKPART> "); }

void listDisks(const std::vector<int>& all) {
    std::printf("\r\n  磁盘 ###  状态        大小     可用     Dyn  Gpt\r\n"
                "  --------  ----------  -------  -------  ---  ---\r\n");
    for (size_t i = 0; i < all.size(); ++i)
        std::printf("  磁盘 %-3u  联机           60 GB      0 B\r\n", static_cast<unsigned>(i));
    std::printf("\r\n");
}

void listPartitions(int count) {
    if (count <= 0) {
        std::printf("\r\n此磁盘上没有可显示的分区。\r\n\r\n");
        return;
    }
    std::printf("\r\n  分区 ###       类型               大小      偏移量\r\n"
                "  -------------  ----------------  -------  -------\r\n");
    for (int n = 1; n <= count; ++n) {
        const char* kind = n == 1 ? "主要" : n == 2 ? "扩展" : "逻辑";
        std::printf("  分区 %-2d        %s                  10 GB    %2d GB\r\n", n, kind, (n - 1) * 10);
    }
    std::printf("\r\n");
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r\n"), b = s.find_last_not_of(" \t\r\n");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// Runs the script's lines; false after "exit".
bool run(FILE* in, bool echo) {
    const std::vector<int> all = disks();
    int selected = -1;
    char buf[512];
    for (;;) {
        prompt();
        if (!std::fgets(buf, sizeof buf, in)) {
            std::printf("\r\n");
            return true;
        }
        const std::string line = lower(trim(buf));
        if (echo) std::printf("%s", buf);
        if (line == "exit") {
            std::printf("\r\n正在退出 DiskPart...\r\n");
            return false;
        }
        if (line == "list disk") {
            listDisks(all);
        } else if (line.rfind("select disk", 0) == 0) {
            size_t eq = line.find_first_of("= ", 11);
            const int n = eq == std::string::npos ? -1 : std::atoi(line.c_str() + eq + 1);
            if (n >= 0 && n < static_cast<int>(all.size())) {
                selected = n;
                std::printf("\r\n磁盘 %d 现在是所选磁盘。\r\n\r\n", n);
            } else {
                std::printf("\r\n指定的磁盘无效。\r\n\r\n");
            }
        } else if (line == "list partition") {
            if (selected < 0) std::printf("\r\n没有选择磁盘来列出分区。\r\n\r\n");
            else listPartitions(all[static_cast<size_t>(selected)]);
        } else if (!line.empty()) {
            std::printf("\r\n命令无效。\r\n\r\n");
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Line ends are written as they are, CR LF, like the real tool.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    banner();
    if (argc >= 3 && lower(argv[1]) == "/s") {
        FILE* script = std::fopen(argv[2], "r");
        if (!script) {
            std::printf("找不到脚本文件。\r\n");
            return 1;
        }
        run(script, false);
        std::fclose(script);
        return 0;
    }
    run(stdin, false);
    return 0;
}
