// trivex_mkimage: writes the DOS boot image from the project's scripts and
// a folder of supplied DOS files, and says what the start-up chain lacks.
//
//   trivex_mkimage --scripts DIR --restart FILE --jobtool FILE --volscan FILE
//                  --boot-sector FILE [--dos DIR] --out FILE
#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include "payload/dos_image.h"

using namespace trivex::tools;

int main(int argc, char** argv) try {
    std::map<std::string, std::string> arg;
    for (int i = 1; i + 1 < argc; i += 2) arg[argv[i]] = argv[i + 1];
    if (argc % 2 == 0 || !arg.count("--scripts") || !arg.count("--restart") || !arg.count("--jobtool") ||
        !arg.count("--volscan") ||
        !arg.count("--boot-sector") || !arg.count("--out")) {
        std::fprintf(stderr,
                     "usage: trivex_mkimage --scripts DIR --restart FILE --jobtool FILE --volscan FILE --boot-sector FILE "
                     "[--dos DIR] --out FILE\n");
        return 2;
    }
    DosImageInputs in{arg["--scripts"], arg["--restart"], arg["--jobtool"], arg["--volscan"], arg["--boot-sector"],
                      arg["--dos"]};
    DosImageResult result;
    std::string err;
    if (!buildDosImage(in, result, err) || !writeIfDifferent(arg["--out"], result.image, err)) {
        std::fprintf(stderr, "trivex_mkimage: error: %s\n", err.c_str());
        return 1;
    }
    std::printf("boot sector: %s\n", result.suppliedBootSector ? "supplied" : "own (DOS not included)");
    for (const std::string& f : result.missingChainFiles) std::printf("missing chain file: %s\n", f.c_str());
    for (const std::string& n : result.notes) std::printf("note: %s\n", n.c_str());
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "trivex_mkimage: error: %s\n", e.what());
    return 1;
}
