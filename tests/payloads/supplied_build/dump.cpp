// Writes every payload the store holds into a folder (file name = payload
// name) and prints name, origin and size of each.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "payloads/store.h"

using namespace trivex::payloads;

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string dir = argv[1];
    if (std::system(("mkdir -p '" + dir + "'").c_str()) != 0) return 1;
    for (size_t i = 0; i < kPayloadCount; ++i) {
        const auto p = static_cast<Payload>(i);
        const trivex::ByteView v = data(p);
        FILE* f = std::fopen((dir + "/" + name(p)).c_str(), "wb");
        if (!f || std::fwrite(v.data, 1, v.size, f) != v.size || std::fclose(f) != 0) return 1;
        std::printf("%s %s %u\n", name(p), isStandIn(p) ? "stand-in" : "supplied", static_cast<unsigned>(v.size));
    }
    std::printf("demo build: %s\n", isDemoBuild() ? "yes" : "no");
    std::printf("demo build through the boot store: %s\n", isDemoBuild(true) ? "yes" : "no");
    return 0;
}
