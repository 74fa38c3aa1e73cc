// The machine contract suite: the same tests of the file, listing, system
// and text operations run against every implementation of `Machine`. Each
// test program provides `rig()`, the implementation under test plus the few
// things a test needs that the machine itself does not offer.
#pragma once

#include <gtest/gtest.h>

#include <optional>

#include "platform/machine.h"
#include "tests/support/disk_layouts.h"

namespace trivex::contract {

class Rig {
public:
    virtual ~Rig() = default;
    virtual Machine& machine() = 0;
    // A folder ending in "\" in which each test makes its own scratch folder.
    virtual Text scratchRoot() = 0;
    // Sets the attribute bits of a file (read-only, hidden, system, archive).
    virtual bool setAttributes(const Text& path, uint32_t attributes) = 0;
    // Removes a folder and everything in it; protected files too.
    virtual void removeTree(const Text& path) = 0;
    // A drive letter that no drive answers to.
    virtual char missingDrive() = 0;
    // What keeps a file from being written over. Every machine refuses to
    // create or copy over a read-only file (Wine too, for an ordinary user:
    // it maps read-only to the Unix write permission, which binds everyone
    // but root). Windows also refuses to create over a hidden or system
    // file, to copy over a hidden one and to move a file onto a read-only
    // one; Wine (8) does all three, and drops hidden and system from a copy
    // that an ordinary user makes of a read-only file (it keeps them in an
    // extended attribute that a read-only file's owner may not write). The
    // program clears a file's attributes itself before each of these steps:
    // it relies on no refusal.
    virtual bool guardsHiddenSystemAndMoves() = 0;
    // Whether the machine's drives are partitions of disks the system can
    // describe (a real Windows, or the simulated machine set up so); under
    // Wine they are folders, and the system must say that it cannot tell.
    virtual bool reportsDisks() = 0;
    // Makes `layout` (its sectors, boot sectors included) the disk the
    // system numbers `disk`, where the rig can: the simulated machine's
    // disk, or under Wine a file that Wine's device folder names
    // physicaldriveN. False where it cannot (a real Windows).
    virtual bool installTestDisk(uint32_t disk, const test::Disk& layout) = 0;
    virtual void removeTestDisk(uint32_t disk) = 0;
    // Puts the suite's test tool (tool_script.h) into the system folder under
    // `name`, and takes it away again.
    virtual bool installTestTool(const Text& name) = 0;
    virtual void removeTestTool(const Text& name) = 0;
    // Now, as a date value in the machine's own local time: the time its
    // file dates are given in. (Under Wine the C runtime's local time reads
    // TZ in the Windows manner and may differ from the system's.)
    virtual double localNow() = 0;
};

Rig& rig();

// A test with a fresh, empty scratch folder `dir` (ending in "\").
class ContractTest : public ::testing::Test {
protected:
    ContractTest() : m(rig().machine()) {}
    void SetUp() override;
    void TearDown() override;

    Text at(const Text& name) const { return dir + name; }
    // Writes `content` as the whole file `name` in the scratch folder.
    bool put(const Text& name, const Text& content);
    // The whole content of a file, read through the machine.
    std::optional<Text> contentOf(const Text& path);

    Machine& m;
    Text dir;
};

}  // namespace trivex::contract
