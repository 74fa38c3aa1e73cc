// prepare_bench.exe [rounds]: what writing a job whole costs. Each round
// prepares a restore job with the program's own code on the real machine
// (every file written under a temporary name, flushed and moved into place,
// the job's record first, the boot menu last) and undoes it; then writes the
// job's files again three ways: whole, one by one; once each in place with
// a single flush at the end; and all their bytes as one file with one flush.
// Prints the medians and their ratios; the goal is at most 1.5 for whole
// writes against the same files written in place.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "job/files.h"
#include "job/prepare.h"
#include "job/record.h"
#include "job/undo.h"
#include "platform/files.h"
#include "platform/win32/win32_machine.h"
#include "ui/catalogue.h"

namespace {

using namespace trivex;

// Every question answered OK (the partition numbers this Windows cannot
// confirm, the demo build).
class AgreeToAll : public job::Questions {
public:
    bool agree(const job::Question&) override { return true; }
};

double now() {
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Creates (truncates) `path` and writes `bytes`; with `flush`, flushes it.
bool writeOnce(const Text& path, const Text& bytes, bool flush) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size() && (!flush || FlushFileBuffers(f));
    return CloseHandle(f) && ok;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    win32::Win32Machine p;
    AgreeToAll answers;
    const Text image = "D:\\Ghost\\bench.gho";
    (void)p.createFolder("D:\\Ghost");
    const Text imageBytes = "\xFE\xEF" + Text(1 << 20, 'g');
    const Text menu = "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
                      "[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Windows XP\" /fastdetect\r\n";
    if (!p.writeFile(image, {bytesOf(imageBytes)}) || !p.writeFile(job::kBootIni, {bytesOf(menu)})) {
        std::printf("cannot set up C:\\boot.ini and %s\n", image.c_str());
        return 1;
    }
    (void)job::undoJob(p);  // anything an earlier run left

    job::JobRequest d;
    d.restoreChecked = true;
    d.targetDrive = "C";
    d.imagePath = image;
    std::vector<double> prepared, once, wholeOnly, inPlace;
    for (int r = 0; r < rounds; ++r) {
        job::Agreed agreed;
        const double t0 = now();
        const job::Prepared result = job::prepareJob(p, answers, d, agreed);
        const double t1 = now();
        if (!result.ok) {
            std::printf("the job was not prepared: %s\n",
                        result.problem ? say::sentence(*result.problem, p).c_str() : "stopped by a question");
            return 1;
        }
        prepared.push_back(t1 - t0);
        // What the job wrote, file by file.
        std::vector<std::pair<Text, Text>> files;
        Text all;
        for (const char* f : {job::kJobRecord, job::kGrldr, job::kGhostBat, job::kGhostExe, job::kVemoImg,
                              "D:\\TRIVEX.JOB", job::kBootBak, job::kBootIni}) {
            files.emplace_back(Text(f) == job::kBootIni ? "C:\\TRIVEX-MENU.BIN" : f, readWholeFile(p, f).value_or(""));
            all += files.back().second;
        }
        if (!job::undoJob(p).account()) {
            std::printf("the job was not undone\n");
            return 1;
        }
        // The same files written whole, one by one, without the job's checks around them.
        const double w0 = now();
        for (const auto& [path, bytes] : files) (void)p.writeFileWhole(path, {bytesOf(bytes)});
        const double w1 = now();
        wholeOnly.push_back(w1 - w0);
        for (const auto& [path, bytes] : files) (void)p.deleteFile(path);
        // The same files written once each, in place, one flush at the end
        // (what a job that is not written whole would do).
        const double i0 = now();
        for (size_t i = 0; i < files.size(); ++i)
            if (!writeOnce(files[i].first, files[i].second, i + 1 == files.size())) {
                std::printf("cannot write %s\n", files[i].first.c_str());
                return 1;
            }
        const double i1 = now();
        inPlace.push_back(i1 - i0);
        for (const auto& [path, bytes] : files) (void)p.deleteFile(path);
        // And all the bytes once, in one file, one flush.
        const double t2 = now();
        if (!writeOnce("C:\\TRIVEX-BENCH.BIN", all, true)) {
            std::printf("cannot write C:\\TRIVEX-BENCH.BIN\n");
            return 1;
        }
        const double t3 = now();
        DeleteFileA("C:\\TRIVEX-BENCH.BIN");
        once.push_back(t3 - t2);
        if (r == 0) std::printf("a job writes %u bytes in 8 files\n", static_cast<unsigned>(all.size()));
    }
    const double a = median(prepared), w = median(wholeOnly), i = median(inPlace), b = median(once);
    std::printf("rounds: %d\n", rounds);
    std::printf("the job's 8 files written whole (temporary, flush, move each): median %6.1f ms\n", w * 1000);
    std::printf("the same files written once each in place, one flush:         median %6.1f ms\n", i * 1000);
    std::printf("the same bytes written once as one file, one flush:            median %6.1f ms\n", b * 1000);
    std::printf("preparing the whole job (its checks too):                      median %6.1f ms\n", a * 1000);
    std::printf("ratio, whole writes against the same files in place: %.2f (goal: at most 1.5)\n", w / i);
    std::printf("ratio, whole writes against one file:                %.2f\n", w / b);
    std::printf("ratio, the whole job against one file:               %.2f\n", a / b);
    return 0;
}
