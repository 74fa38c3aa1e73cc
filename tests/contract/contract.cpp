#include "tests/contract/contract.h"

#include "platform/files.h"

namespace trivex::contract {

void ContractTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const Text folder = rig().scratchRoot() + info->test_suite_name() + "." + info->name();
    rig().removeTree(folder);
    ASSERT_TRUE(m.createFolder(folder)) << folder;
    dir = folder + "\\";
}

void ContractTest::TearDown() {
    if (!dir.empty()) rig().removeTree(dir.substr(0, dir.size() - 1));
}

bool ContractTest::put(const Text& name, const Text& content) {
    return static_cast<bool>(m.writeFile(at(name), {bytesOf(content)}));
}

std::optional<Text> ContractTest::contentOf(const Text& path) { return readWholeFile(m, path); }

}  // namespace trivex::contract
