#include "tests/contract/contract.h"

namespace trivex::contract {

void ContractTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const Text folder = machine().scratchRoot() + info->test_suite_name() + "." + info->name();
    machine().removeTree(folder);
    ASSERT_TRUE(p.createFolder(folder)) << folder;
    dir = folder + "\\";
}

void ContractTest::TearDown() {
    if (!dir.empty()) machine().removeTree(dir.substr(0, dir.size() - 1));
}

bool ContractTest::put(const Text& name, const Text& content) {
    return p.writeFile(at(name), {bytesOf(content)});
}

std::optional<Text> ContractTest::contentOf(const Text& path) {
    const std::unique_ptr<RawFile> f = p.openRaw(path, 1, 1);
    if (!f) return std::nullopt;
    Text all;
    char buf[4096];
    for (;;) {
        const int32_t n = f->read(buf, sizeof buf);
        if (n <= 0) break;
        all.append(buf, static_cast<size_t>(n));
    }
    return all;
}

}  // namespace trivex::contract
