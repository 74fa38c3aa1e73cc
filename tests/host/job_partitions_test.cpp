// Ghost is handed only what the user chose: the DOS side finds the job's
// partitions by their volumes (as Windows gives them) and checks them
// against the numbers Windows expects from the real layout (a job whose
// layout already rules out a sure number is refused, and where the system
// cannot say, the volumes decide); a disk Ghost cannot reach is refused; the
// image is a Ghost image that ghost.bat can name; a backup asks before it
// overwrites or runs short; and the restart that follows is asked for and
// reported.
#include <functional>

#include "job/partitions.h"
#include "tests/support/fake_bcdedit.h"
#include "tests/host/job_test.h"

namespace trivex::testing_job {
namespace {

using namespace job;

constexpr uint64_t kGB = 1ull << 30;

DiskPartition part(uint8_t type, uint64_t startGB, bool logical, int slot) {
    return {type, startGB * kGB + (1u << 20), kGB, logical, slot};  // from 1 MB on, as the disks of Windows 7 and later
}
// Disk `number` with the partitions `parts`, as seen from the partition at `at`.
DiskPlace place(uint32_t number, std::vector<DiskPartition> parts, size_t at, uint64_t bytes = 0, Text model = {}) {
    DiskPlace d;
    d.disk = number;
    d.partitions = std::move(parts);
    if (!d.partitions.empty()) d.start = d.partitions[at].start;
    d.diskBytes = bytes;
    d.diskModel = std::move(model);
    return d;
}

class PartitionCheckTest : public JobTest {
public:
    // Places every drive of `letters` ("CDE") at the partition of the same
    // index in `layout` (a space: a partition without a letter).
    void onDisk(const DiskPlace& layout, const char* letters) {
        for (size_t i = 0; letters[i]; ++i)
            if (letters[i] != ' ') machine.setDrivePlace(letters[i], place(layout.disk, layout.partitions, i, layout.diskBytes, layout.diskModel));
    }
    void restoreFrom(const Text& image, const char* onto = "C") {
        machine.addFile(image, kImageBytes);
        app.state.selectedDrive = onto;
        windows.setText(kMain, ctl::编辑框1, image);
        prepare();
    }
    void backupTo(const Text& image, const char* from = "C") {
        backupMode();
        machine.addFolder(image.substr(0, image.rfind('\\')));
        app.state.selectedDrive = from;
        windows.setText(kMain, ctl::编辑框1, image);
        prepare();
    }
    // Windows 7 with its store and bcdedit.
    void windows7() {
        machine.system().version = {6, 1};
        sim::installAsBcdedit(machine, store);
    }
    size_t questions() const {
        size_t n = 0;
        for (const sim::MessageRecord& m : windows.messages())
            n += (m.style & 0xF) == 1 && m.text.find("演示") == Text::npos;  // not the demo build's
        return n;
    }
    const Text& lastQuestion() const {
        for (auto m = windows.messages().rbegin(); m != windows.messages().rend(); ++m)
            if ((m->style & 0xF) == 1 && m->text.find("演示") == Text::npos) return m->text;
        static const Text none;
        return none;
    }

    sim::FakeBcdStore store = sim::FakeBcdStore::windows7();
};

// Windows 7's 100 MB partition before C: (no letter; bootmgr and its
// store), then D: and E: as logical drives.
const DiskPlace kSystemReserved = place(0, {part(7, 0, false, 0), part(7, 1, false, 1), part(7, 61, true, 0), part(7, 141, true, 1)}, 0);

struct Shape {
    const char* name;
    std::function<void(PartitionCheckTest&)> machine;  // the machine and the job on it
    const char* volumes;                               // ghost.bat's search for the volumes, or
    const char* refusal;                               // what the user is told instead (or, with volumes, besides)
};

void PrintTo(const Shape& s, std::ostream* os) { *os << s.name; }

class MachineShapeTest : public PartitionCheckTest, public ::testing::WithParamInterface<Shape> {};

TEST_P(MachineShapeTest, GhostGetsTheNumbersOfThisLayoutOrTheJobIsRefusedWithTheReason) {
    const Shape& s = GetParam();
    const std::string before = disk();
    s.machine(*this);
    if (s.volumes) {
        EXPECT_EQ(volumesLine(), s.volumes);
        EXPECT_EQ(told(), s.refusal ? std::vector<Text>{s.refusal} : std::vector<Text>{});
    } else {
        EXPECT_EQ(told(), std::vector<Text>{s.refusal});
        EXPECT_EQ(disk(), before);
        EXPECT_FALSE(machine.exists(kGrldrMbr));
    }
    EXPECT_EQ(questions(), 0u) << lastQuestion();
}

const Shape kShapes[] = {
    {"OneDiskCFirst",  // today's shape keeps today's bytes
     [](PartitionCheckTest& t) { t.restoreFrom(kRestoreImage); },
     "call a:\\volumes.bat 8C3A-12F0 5E5E-0003 1 1 1 3", nullptr},
    {"Windows7SystemReservedBeforeC",
     [](PartitionCheckTest& t) {
         t.windows7();
         t.onDisk(kSystemReserved, " CDE");
         t.machine.setSystemPartition(kSystemReserved, 0, {"bootmgr", "Boot\\BCD"});
         t.restoreFrom(kRestoreImage);
         // The boot manager's one-time entry, not boot.ini.
         EXPECT_EQ(t.store.log().size(), 5u);
     },
     "call a:\\volumes.bat 8C3A-12F0 5E5E-0003 1 2 1 4", nullptr},
    {"XpAfterAVendorPartition",  // Dell's utility partition, type 0xDE, first
     [](PartitionCheckTest& t) {
         const DiskPlace d = place(0, {part(0xDE, 0, false, 0), part(7, 1, false, 1), part(7, 41, true, 0), part(7, 121, true, 1)}, 1);
         t.onDisk(d, " CDE");
         t.machine.addFile("C:\\ntldr", "loader", kRhs);
         t.machine.setSystemPartition(place(0, d.partitions, 1), 'C');
         t.backupTo("E:\\Ghost\\C.gho");
         EXPECT_TRUE(t.redirected());
     },
     "call a:\\volumes.bat 8C3A-12F0 5E5E-0003 1 2 1 4", nullptr},
    {"TwoPrimariesThenLogicalDrives",  // D: restored from the second logical drive
     [](PartitionCheckTest& t) {
         const DiskPlace d = place(0, {part(7, 0, false, 0), part(7, 40, false, 1), part(7, 80, true, 0), part(7, 120, true, 1)}, 0);
         t.machine.addDrive('F', 80ull << 30, 60ull << 30);
         t.machine.setVolume('F', {0xF0F00004, "NTFS"});
         t.onDisk(d, "CDEF");
         t.restoreFrom("F:\\img\\d.gho", "D");
     },
     "call a:\\volumes.bat 4D4D-0002 F0F0-0004 1 2 1 4", nullptr},
    {"XpAnd7OnOneDiskRunning7",  // XP's partition holds both loaders; 7 is C:
     [](PartitionCheckTest& t) {
         t.windows7();
         const DiskPlace d = place(0, {part(7, 0, false, 0), part(7, 40, false, 1), part(7, 100, true, 0)}, 0);
         t.onDisk(d, "DCE");
         for (const char* f : {"D:\\bootmgr", "D:\\Boot\\BCD", "D:\\ntldr", "D:\\boot.ini"}) t.machine.addFile(f, "x", kRhs);
         t.machine.setSystemPartition(d, 'D');
         t.restoreFrom(kRestoreImage);
         EXPECT_EQ(t.machine.content("D:\\boot.ini"), "x");
     },
     "call a:\\volumes.bat 8C3A-12F0 5E5E-0003 1 2 1 3", nullptr},
    {"XpAnd7OnOneDiskRunningXp",
     [](PartitionCheckTest& t) {
         const DiskPlace d = place(0, {part(7, 0, false, 0), part(7, 40, false, 1), part(7, 100, true, 0)}, 0);
         t.onDisk(d, "CDE");
         for (const char* f : {"C:\\bootmgr", "C:\\Boot\\BCD", "C:\\ntldr"}) t.machine.addFile(f, "x", kRhs);
         t.machine.setSystemPartition(d, 'C');
         t.restoreFrom(kRestoreImage);
     },
     nullptr,
     "这台计算机通过较新的 Windows（Vista 及以后）的启动管理器 bootmgr 启动，它只在选择早期的 Windows 时才读 "
     "boot.ini，正在运行的 Windows XP 无法安排下次启动进入 Ghost。请启动这台计算机上较新的 Windows，在那里准备任务。"},
    {"WindowsOnTheSecondDiskBootedFromTheFirst",
     [](PartitionCheckTest& t) {
         t.windows7();
         const DiskPlace first = place(0, {part(7, 0, false, 0)}, 0, 80000000000ull, "WDC WD800JD-75MSA3");
         const DiskPlace second = place(1, {part(7, 0, false, 0), part(7, 100, false, 1)}, 0, 250059350016ull, "ST3250310AS");
         t.onDisk(first, "D");
         t.onDisk(second, "CE");
         for (const char* f : {"D:\\bootmgr", "D:\\Boot\\BCD"}) t.machine.addFile(f, "x", kRhs);
         t.machine.setSystemPartition(first, 'D');
         t.restoreFrom(kRestoreImage);
     },
     nullptr,
     "C: 盘在磁盘 1（232 GB，ST3250310AS）上，而计算机是从磁盘 0（74 GB，WDC WD800JD-75MSA3）启动的（系统分区在那块硬盘上）。"
     "DOS 下的 Ghost 只把启动硬盘当作 1 号硬盘，本程序只为装在启动硬盘上的 Windows 准备任务，本次任务不执行。"},
    // Windows' disk numbers need not follow the BIOS's: Windows expects the
    // image's partition 1 on a disk after the boot disk, and the DOS side
    // finds which one.
    {"ImageOnAnotherFixedDisk",
     [](PartitionCheckTest& t) {
         const DiskPlace first = place(0, {part(7, 0, false, 0), part(7, 40, true, 0)}, 0, 80000000000ull);
         t.onDisk(first, "CD");
         t.machine.setSystemPartition(first, 'C');
         t.machine.setDrivePlace('E', place(1, {part(7, 0, false, 0)}, 0, 500107862016ull, "ST3500418AS"));
         t.restoreFrom(kRestoreImage);
     },
     "call a:\\volumes.bat 8C3A-12F0 5E5E-0003 1 1 + 1", nullptr},
    {"BackupOfAPartitionOnAnotherFixedDisk",
     [](PartitionCheckTest& t) {
         const DiskPlace first = place(0, {part(7, 0, false, 0), part(7, 40, false, 1)}, 0);
         t.onDisk(first, "CE");
         t.machine.setSystemPartition(first, 'C');
         t.machine.setDrivePlace('D', place(2, {part(0x0C, 0, false, 0), part(7, 100, false, 1)}, 1));
         t.backupTo("E:\\Ghost\\D.gho", "D");
     },
     "call a:\\volumes.bat 4D4D-0002 5E5E-0003 + 2 1 2", nullptr},
    // Ghost runs without USB support (-nousb): after the restart a USB disk
    // is out of its reach.
    {"ImageOnAUsbDisk",
     [](PartitionCheckTest& t) {
         t.machine.setDriveBus('E', DriveBus::Usb);
         t.restoreFrom(kRestoreImage);
     },
     nullptr,
     "映像所在的 E: 盘在 USB 硬盘上。重启后 DOS 下的 Ghost 不加载 USB 支持（-nousb），找不到这块硬盘，本次任务不执行。"
     "请把映像放在电脑内部硬盘的分区上：还原前先把映像复制到内部硬盘；备份时先备份到内部硬盘，再把映像复制到 USB 硬盘。"},
    {"BackupOfAUsbDisk",
     [](PartitionCheckTest& t) {
         t.machine.setDriveBus('D', DriveBus::Usb);
         t.backupTo("E:\\Ghost\\D.gho", "D");
     },
     nullptr,
     "要备份或还原的 D: 盘在 USB 硬盘上。重启后 DOS 下的 Ghost 不加载 USB 支持（-nousb），找不到这块硬盘，本次任务不执行。"
     "请选择电脑内部硬盘上的分区。"},
    // A drive that is a folder, or whose serial Windows does not give: the
    // job's own files mark C: and the image's drive, the volumes decide.
    {"FolderDrivesFoundByTheJobsOwnFiles",
     [](PartitionCheckTest& t) {
         for (const char letter : {'C', 'E'}) {
             t.machine.forgetDrivePlace(letter);
             t.machine.forgetVolume(letter);
             t.machine.setDriveBus(letter, DriveBus::Unknown);
         }
         t.restoreFrom(kRestoreImage);
     },
     "call a:\\volumes.bat job outcome ? ? ? ?",
     "本程序在 Windows 中没能预先检查重启后 DOS 会遇到的一切：无法确认 C: 盘没有用 BitLocker 加密；无法确认 E: "
     "盘没有用 BitLocker 加密。重启后 DOS 下还会检查，发现问题时 Ghost 不会运行，什么都不会改动。"},
    // The system does not name the partition it starts from: the layout
    // gives the partitions, not the disks.
    {"BootDiskNotNamed",
     [](PartitionCheckTest& t) {
         t.machine.forgetSystemPartition();
         t.restoreFrom(kRestoreImage);
     },
     "call a:\\volumes.bat 8C3A-12F0 5E5E-0003 ? 1 ? 3", nullptr},
    // Any other drive without a serial carries no file of the job's: after
    // the restart nothing could tell it.
    {"TargetWithoutASerial",
     [](PartitionCheckTest& t) {
         t.machine.forgetVolume('D');
         t.backupTo("E:\\Ghost\\D.gho", "D");
     },
     nullptr,
     "Windows 没有给出 D: 盘的卷序列号，任务在这个盘上也没有文件，重启后 DOS 下无法确认哪个分区是 D: 盘。"
     "为免 Ghost 写错分区，本次任务不执行。"},
    {"BootIniOnAnotherPartition",  // an older system's partition first starts XP
     [](PartitionCheckTest& t) {
         const DiskPlace d = place(0, {part(6, 0, false, 0), part(7, 2, false, 1), part(7, 42, true, 0)}, 0);
         t.onDisk(d, "DCE");
         for (const char* f : {"D:\\ntldr", "D:\\boot.ini"}) t.machine.addFile(f, "x", kRhs);
         t.machine.setSystemPartition(d, 'D');
         t.restoreFrom(kRestoreImage);
     },
     nullptr,
     "计算机启动时读的是 D: 盘上的 boot.ini，不是本程序要改的 C:\\boot.ini，改了也不会在下次启动时进入 Ghost，本次任务不执行。"},
    {"GptDisk",
     [](PartitionCheckTest& t) {
         t.windows7();
         DiskPlace gpt = place(0, {}, 0);
         gpt.mbr = false;
         for (const char letter : {'C', 'D', 'E'}) t.machine.setDrivePlace(letter, gpt);
         t.machine.setSystemPartition(gpt, 0, {"bootmgr", "Boot\\BCD"});
         t.restoreFrom(kRestoreImage);
     },
     nullptr, "C: 盘所在的硬盘使用 GPT 分区表，DOS 下的 Ghost 无法按分区号找到它。为免 Ghost 写错分区，本次任务不执行。"},
    {"DynamicDisk",
     [](PartitionCheckTest& t) {
         DiskPlace dynamic = place(0, {{0x42, 32256, 400 * kGB, false, 0}}, 0);
         t.machine.setSystemPartition(dynamic, 'C');
         for (const char letter : {'C', 'D', 'E'}) {
             dynamic.start = (letter - 'C') * 100 * kGB + 32256;
             t.machine.setDrivePlace(letter, dynamic);
         }
         t.restoreFrom(kRestoreImage);
     },
     nullptr, "C: 盘所在的硬盘是动态磁盘，DOS 下的 Ghost 无法按分区号找到它。为免 Ghost 写错分区，本次任务不执行。"},
    {"TableOutOfDiskOrder",  // nobody can tell which one Ghost takes
     [](PartitionCheckTest& t) {
         t.onDisk(place(0, {part(7, 0, false, 0), part(7, 100, false, 1), part(7, 50, false, 2)}, 0), "CDE");
         t.restoreFrom(kRestoreImage);
     },
     nullptr,
     "E: 盘所在硬盘的分区可以按不止一种顺序编号：按分区表是第 3 个，按另一种 Ghost 可能采用的顺序（按分区在硬盘上的位置，"
     "或把逻辑分区排在扩展分区的表项处）是第 2 个，无法确定 Ghost 会把它算作第几个分区。为免 Ghost 写错分区，本次任务不执行。"},
};

INSTANTIATE_TEST_SUITE_P(Shapes, MachineShapeTest, ::testing::ValuesIn(kShapes),
                         [](const auto& info) { return std::string(info.param.name); });

// Nobody is asked to confirm numbers that nobody can confirm from Windows:
// where the system cannot say where a drive is, the volumes found after the
// restart decide. Any drive letter serves, not only C: to G:; a path that
// names no drive is refused, and no number of an earlier job is kept.
TEST_F(PartitionCheckTest, WhenTheSystemCannotSayTheVolumesDecideAndNobodyIsAsked) {
    machine.forgetSystemPartition();
    onDisk(kSystemReserved, " CDE");
    machine.addDrive('H', 80ull << 30, 60ull << 30);
    machine.setVolume('H', {0x48480008, "FAT32"});
    machine.setDrivePlace('H', place(1, {part(0x0C, 0, false, 0)}, 0));
    restoreFrom("H:\\a.gho");
    EXPECT_EQ(volumesLine(), "call a:\\volumes.bat 8C3A-12F0 4848-0008 ? 2 ? 1");
    EXPECT_TRUE(told().empty());
    EXPECT_EQ(questions(), 0u) << lastQuestion();

    windows.setText(kMain, ctl::编辑框1, "a.gho");
    prepare();
    EXPECT_EQ(app.state.plan.image.letter, 0);
    ASSERT_EQ(told().size(), 1u);
    EXPECT_NE(told()[0].find("需要以 C 到 Z 的盘符开头的完整路径"), Text::npos) << told()[0];
    EXPECT_EQ(questions(), 0u);
}

TEST_F(PartitionCheckTest, OnlyAGhostImageIsRestoredAndOnlyAPathGhostBatCanCarry) {
    const std::pair<Text, Text> images[] = {
        {"E:\\Ghost\\G_WinXP.gho", "E:\\Ghost\\G_WinXP.gho"},          // a backup's 20-byte placeholder
        {"E:\\Ghost\\zero.gho", Text(4096, '\0')},                      // no signature
        {"E:\\Ghost\\short.gho", "\xFE\xEF" + Text(100, 'x')},          // too small
    };
    for (const auto& [path, bytes] : images) {
        machine.addFile(path, bytes);
        windows.setText(kMain, ctl::编辑框1, path);
        prepare();
        ASSERT_FALSE(told().empty());
        EXPECT_NE(told().back().find("不是 Ghost 映像"), Text::npos) << told().back();
        EXPECT_NE(told().back().find(path), Text::npos) << told().back();
    }
    const Text paths[] = {"E:\\My Images\\a.gho", "E:\\100%\\a.gho", "E:\\a,b.gho", "E:\\a?.gho",
                          "E:\\" + Text(70, 'x') + "\\a.gho"};
    for (const Text& path : paths) {
        machine.addFile(path, kImageBytes);
        windows.setText(kMain, ctl::编辑框1, path);
        prepare();
        EXPECT_NE(told().back().find("映像文件路径 " + path), Text::npos) << path << ": " << told().back();
    }
    EXPECT_FALSE(anyJobFile());
    EXPECT_FALSE(redirected());
    // A GBK path of reasonable length is fine.
    machine.addFile("E:\\备份\\系统.gho", kImageBytes);
    windows.setText(kMain, ctl::编辑框1, "E:\\备份\\系统.gho");
    prepare();
    EXPECT_NE(machine.content(kGhostBat)->find("src=%img%\\备份\\系统.gho:1"), Text::npos);
}

TEST_F(PartitionCheckTest, ABackupAsksBeforeItOverwritesAnImageOrRunsShort) {
    // The key B chooses backup mode for real: a Y then prepares a backup.
    ASSERT_TRUE(windows.pressKey(kMain, 'B'));
    app.state.selectedDrive = "C";  // the partition list is not filled here
    machine.addFile(kRestoreImage, kImageBytes);  // last month's backup
    windows.queueAnswer(kBtnCancel);
    ASSERT_TRUE(windows.pressKey(kMain, 'Y'));
    EXPECT_FALSE(redirected());
    ASSERT_EQ(questions(), 1u);
    EXPECT_NE(windows.messages().back().text.find(kRestoreImage + " 已经存在"), Text::npos);

    windows.queueAnswer(kBtnOk);
    ASSERT_TRUE(windows.pressKey(kMain, 'Y'));
    EXPECT_EQ(volumesLine(), "call a:\\volumes.bat 8C3A-12F0 5E5E-0003 1 1 1 3");
    EXPECT_EQ(ghostCommandLine(), "Ghost.exe -nousb -clone,mode=pdump,src=%tgt%,dst=%img%\\Ghost\\G_WinXP.gho -sure -fro -fx -z1");
    EXPECT_EQ(machine.content(kRestoreImage), kImageBytes);  // Ghost replaces it, not the program
    ASSERT_TRUE(undoJob(machine).account());

    // The placeholder of the image file button is not asked about; too little room is.
    machine.addFile(kRestoreImage, kRestoreImage);
    machine.addDrive('E', 80 * kGB, 10 * kGB);  // C: has 20 GB in use
    windows.queueAnswer(kBtnCancel);
    ASSERT_TRUE(windows.pressKey(kMain, 'Y'));
    EXPECT_FALSE(redirected());
    EXPECT_NE(windows.messages().back().text.find("E: 盘只有 10240 MB 可用空间"), Text::npos)
        << windows.messages().back().text;
    EXPECT_NE(windows.messages().back().text.find("已用 20480 MB"), Text::npos);
    EXPECT_EQ(questions(), 3u);
}

TEST_F(PartitionCheckTest, ARefusedRestartIsToldAndTheJobStays) {
    machine.refuseRestart();
    answerRestartPrompt(ctl::按钮1);
    prepareRestoreJob();
    EXPECT_EQ(machine.restarts(), 1);
    EXPECT_TRUE(windows.windowVisible(kMain));
    EXPECT_TRUE(redirected());
    EXPECT_TRUE(machine.exists(kVemoImg));
    EXPECT_EQ(told(), std::vector<Text>{"系统拒绝了重启（访问被拒绝）（没有关机权限，或有程序阻止重启）。"
                                        "任务已准备好，请稍后自己重启计算机；不想运行任务请按 U 键撤销。"});
    EXPECT_NE(windows.panelText(kMain, ctl::状态条1, 1).find("任务已准备好"), Text::npos);
}

}  // namespace
}  // namespace trivex::testing_job
