// How long building every payload from scratch takes, against compiling one
// source file of the program, measured side by side in one run.
//
// Payload build: the stand-ins (nasm, mingw), then gathering (DOS image,
// loader, probe script, table) and assembling the records into an object.
// Each side runs three times, alternating; the medians are compared.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kTree = TRIVEX_TREE;
const std::string kSrc = kTree + "/payloads";

std::string q(const std::string& s) { return "'" + s + "'"; }

void sh(const std::string& command) {
    if (std::system((command + " > /dev/null").c_str()) != 0) {
        std::fprintf(stderr, "payload_build_bench: failed: %s\n", command.c_str());
        std::exit(1);
    }
}

double seconds(const std::vector<std::string>& commands) {
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& c : commands) sh(c);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::vector<std::string> payloadBuild(const std::string& dir) {
    const std::string st = dir + "/standins", gen = dir + "/gen";
    const std::string nasm = std::string(TRIVEX_NASM) + " -f bin -I" + kSrc + "/standins/ -o ";
    return {
        "rm -rf " + q(dir) + " && mkdir -p " + q(st) + " " + q(gen),
        nasm + q(st + "/grldr") + " " + q(kSrc + "/standins/loader.asm"),
        nasm + q(st + "/ghost.exe") + " " + q(kSrc + "/standins/ghost_dos.asm"),
        nasm + q(st + "/bootsect.bin") + " " + q(kSrc + "/standins/bootsect.asm"),
        nasm + q(st + "/RESTART.COM") + " " + q(kSrc + "/dos/restart.asm"),
        nasm + q(st + "/JOBTOOL.COM") + " " + q(kSrc + "/dos/jobtool.asm"),
        nasm + q(st + "/VOLSCAN.COM") + " " + q(kSrc + "/dos/volscan.asm"),
        std::string(TRIVEX_MINGW_CC) + " -Os -s -o " + q(st + "/Ghost32.exe") + " " + q(kSrc + "/standins/ghost32.c"),
        std::string(TRIVEX_EMBED) + " --source " + q(kSrc) + " --standins " + q(st) + " --supplied " +
            q(TRIVEX_SUPPLIED) + " --out " + q(gen),
        std::string(TRIVEX_CC) + " -c -x assembler-with-cpp " + q(gen + "/payloads.S") + " -o " + q(dir + "/payloads.o"),
    };
}

std::vector<std::string> referenceCompile(const std::string& dir) {
    return {std::string(TRIVEX_CXX) + " -std=c++20 -g -finput-charset=UTF-8 -fexec-charset=GBK -Wall -Wextra -I" +
            q(kTree) + " -I" + q(std::string(TRIVEX_BINARY_TREE) + "/generated") + " -c " +
            q(TRIVEX_REFERENCE_SOURCE) + " -o " + q(dir + "/reference.o")};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    const std::string dir = (fs::temp_directory_path() / "trivex-payload-bench").string();
    std::vector<double> payloads, gathers, reference;
    for (int i = 0; i < 3; ++i) {
        const std::vector<std::string> build = payloadBuild(dir);
        const std::vector<std::string> standIns(build.begin(), build.end() - 2), gather(build.end() - 2, build.end());
        const double s = seconds(standIns), g = seconds(gather);
        payloads.push_back(s + g);
        gathers.push_back(g);
        reference.push_back(seconds(referenceCompile(dir)));
    }
    fs::remove_all(dir);
    const double p = median(payloads), g = median(gathers), r = median(reference);
    const std::string ref = fs::path(TRIVEX_REFERENCE_SOURCE).lexically_relative(kTree).string();
    std::printf("building every payload (stand-ins, image, loader, records): %.3f s\n", p);
    std::printf("  of which gathering and assembling, run on every build: %.3f s\n", g);
    std::printf("compiling one program source file (%s): %.3f s\n", ref.c_str(), r);
    std::printf("ratio payloads / one source file: %.2f (every build: %.2f)\n", p / r, g / r);
    return 0;
}
