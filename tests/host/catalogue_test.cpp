// The catalogue: every code has its words and becomes a sentence with each
// of its arguments and the problems inside it where they belong; where the
// system gave an error, its own words follow the step that failed, and
// nowhere else.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/problem.h"
#include "platform/text.h"
#include "tests/support/sim_machine.h"
#include "ui/catalogue.h"

namespace trivex {
namespace {

// What the producers of each code hand over: how many arguments and how
// many problems inside it; `list`: all of them, however many.
struct Shape {
    Code code;
    int args = 0;
    int parts = 0;
    bool list = false;
};

const Shape kShapes[] = {
    {Code::Several, 0, 2, true}, {Code::Lines, 0, 2, true}, {Code::InTurn, 0, 2, true}, {Code::FileNames, 2, 0, true},
    {Code::Backup}, {Code::Restore}, {Code::Disk, 3},
    {Code::NoModeChosen}, {Code::PathBrokenGbk, 1}, {Code::PathNotGbk, 1}, {Code::PathHasSpace, 1},
    {Code::PathHasPercent, 1}, {Code::PathHasSeparator, 2}, {Code::PathTooLong, 2}, {Code::TargetNotMapped},
    {Code::ImagePathInvalid}, {Code::ImageOnTarget}, {Code::ImageMissing}, {Code::NotGhostImage, 1},
    {Code::BackupFolderMissing}, {Code::BackupPathIsFolder}, {Code::CustomGhostIsJobFile},
    {Code::AskOverwriteImage, 3}, {Code::AskShortOfRoom, 4}, {Code::AskDemoBuild},
    {Code::CNotOnBootDisk, 0, 2}, {Code::PartitionUnknowable, 1, 1}, {Code::DiskIsGpt}, {Code::DiskIsDynamic},
    {Code::PartitionNotListed}, {Code::PartitionOrderDiffers, 2},
    {Code::XpBehindBootManager}, {Code::BootIniOnDrive, 1}, {Code::BootIniOnHiddenPartition, 1},
    {Code::StaleEntryStays, 0, 1},
    {Code::StoreNotOnThisWindows, 2}, {Code::Uefi}, {Code::FirmwareUnknown}, {Code::NotAdministrator}, {Code::NoBcdedit},
    {Code::BcdNotStarted, 1}, {Code::BcdTimedOut, 2}, {Code::BcdFailed, 3}, {Code::BcdAddFailed, 0, 2},
    {Code::BcdSetFailed, 1, 2}, {Code::BcdEntryLeft, 1, 1},
    {Code::BcdListFailed, 0, 1}, {Code::BcdNoBootManager}, {Code::BcdEntryStays, 1, 1},
    {Code::MenuNotText}, {Code::MenuWithoutSystems}, {Code::NoBootIni}, {Code::MenuUnreadable},
    {Code::ReadMenuFailed}, {Code::MenuStillRedirected}, {Code::UnprotectFailed, 1},
    {Code::SaveMenuFailed}, {Code::SavedMenuDiffers}, {Code::SavedMenuAttributesFailed}, {Code::BootBakInTheWay},
    {Code::BootBakSetAside, 1}, {Code::RewriteMenuFailed}, {Code::RestoreMenuFailed}, {Code::RestoreMenuAttributesFailed},
    {Code::DeleteSavedMenuFailed}, {Code::RenameBackFailed, 2},
    {Code::DeleteFailed, 1}, {Code::RecordNotOurs, 1}, {Code::OutcomeRecordNotOurs, 1}, {Code::FileNotOurs, 1},
    {Code::LoaderNoRoomAside, 2}, {Code::SetAsideFailed, 2},
    {Code::WriteFailed, 1}, {Code::CopyCustomGhostFailed, 1}, {Code::WriteOutcomeFailed, 1}, {Code::TakenBack, 0, 1},
    {Code::TakenBackEarlierToo, 0, 1}, {Code::TakenBackWithErrors, 0, 2}, {Code::TakenBackEarlierTooWithErrors, 0, 2},
    {Code::EarlierJobStays, 0, 1}, {Code::EarlierJobPartlyUndone, 0, 1}, {Code::EarlierJobUndoneThen, 0, 1},
    {Code::UndoErrors, 0, 1}, {Code::LoaderKeptForMenu}, {Code::LoaderKeptForStore},
    {Code::MenuCutRepaired}, {Code::DosMenuCut, 0, 1}, {Code::DosMenuCutWithErrors, 0, 2}, {Code::DosMenuCutFailed, 0, 1},
    {Code::JobCutMenu}, {Code::JobCutStore}, {Code::JobCutFiles}, {Code::Also, 0, 1}, {Code::JobCutRepaired, 0, 1},
    {Code::JobCutPartly, 0, 2}, {Code::TakeBackErrors, 0, 1},
    {Code::LastJobFailed, 1, 2}, {Code::DosNoMenu, 0, 1}, {Code::DosNoRam, 0, 1}, {Code::DosStoppedEarly, 0, 1},
    {Code::ImageCheckFailed, 2}, {Code::GhostFailedBackup, 0, 1}, {Code::GhostFailedRestore, 0, 1},
    {Code::GhostCodeSuccess, 1}, {Code::GhostCodeCancelled, 1}, {Code::GhostCodeUnfinished, 1},
    {Code::GhostSilentBut, 0, 1}, {Code::BackupImageGone, 1}, {Code::BackupImageNotGhost, 1}, {Code::BackupImageOld, 1},
    {Code::FullStop, 0, 1}, {Code::BackupMade, 3}, {Code::RestoreDone, 2},
    {Code::NoOutcomeRecord, 0, 1}, {Code::NoOutcomeRecordBackup, 0, 1},
    {Code::CFilesTakenBack}, {Code::CFilesTakeBackTrouble, 0, 1},
    {Code::Ghost32NotOurs}, {Code::Ghost32WriteFailed}, {Code::Ghost32StartFailed}, {Code::RestartRefused},
    // The boot menu's own lines.
    {Code::MenuWithoutLoaderSection}, {Code::MenuUnusual, 1}, {Code::MenuChangedMeanwhile}, {Code::MenuLeftAlone, 0, 1},
    {Code::MenuJobUnrecorded}, {Code::MenuNowNotText}, {Code::MenuLinesTwice}, {Code::MenuEntryGone},
    {Code::MenuGoneWhileJob},
    {Code::KeepTokenFailed}, {Code::ForeignOutcomeLeft, 2, 0, true}, {Code::OutcomeOwnerUnknown, 2, 0, true},
    {Code::OutcomeRecordUnknown, 1}, {Code::AsideUnproven, 2},
    {Code::TargetOnUsb, 1}, {Code::ImageOnUsb, 1}, {Code::TargetUnmarked, 1}, {Code::LastJobUnconfirmed, 1, 3},
    {Code::GhostNoReturn, 0, 1}, {Code::OutcomeNotWritable, 0, 1}, {Code::NewImageUnchecked},
    {Code::NewImageCheckFailed, 2}, {Code::CheckBackupImage, 1}, {Code::CheckRestoredSystem},
    {Code::VolumesRefused, 0, 2}, {Code::VolumeOnNoPartition}, {Code::VolumeOnTwoPartitions},
    {Code::DiskUnreadableAtRestart}, {Code::TableBrokenAtRestart}, {Code::DiskNotNumberedAtRestart},
    {Code::TableOrderAtRestart}, {Code::VolumeWithoutSerial}, {Code::VolumesNotSearched}, {Code::VolumesDiffer, 4, 1},
    {Code::SystemVolumeEncrypted}, {Code::TargetVolumeEncrypted, 1}, {Code::ImageVolumeEncrypted, 1},
    {Code::DosWouldRefuse, 0, 1}, {Code::DiskSectorUnreadable, 1, 1}, {Code::DiskTableBroken, 0, 1},
    {Code::DiskDynamicForDos, 0, 1}, {Code::DiskSectorSize, 1, 1}, {Code::SerialTwice, 4, 2}, {Code::SerialNowhere, 2},
    {Code::EmptySlotBefore}, {Code::ForeignPartitionBefore, 1}, {Code::SectorNot512, 1}, {Code::NotForeseen, 0, 2, true},
    {Code::DiskNotReadHere, 0, 1}, {Code::EncryptionNotChecked, 1}, {Code::EmptySlotAtRestart},
    {Code::ForeignPartitionAtRestart}, {Code::SectorSizeAtRestart}, {Code::VolumesSame, 1, 1},
    {Code::WaitingRestore, 2}, {Code::WaitingBackup, 2}, {Code::WaitingManual, 1}, {Code::UserSequenceKept, 1},
    {Code::SequenceNotPutBack, 1, 1}, {Code::LoaderKeptAfterTakeBack}, {Code::EntriesLookLikeOurs, 1},
    {Code::EntryUsedUp, 0, 1}, {Code::OutcomeSaysNothing, 1}, {Code::OutcomeRecordMissing, 1},
    {Code::NoOutcomeForManual}, {Code::DosSkipped, 1, 1},
};

Text argMarker(int i) { return "<arg" + std::to_string(i) + ">"; }
Text partMarker(int i) { return "<part" + std::to_string(i) + ">"; }

// A problem of `code` with `args` marked arguments and `parts` marked parts.
Problem marked(Code code, int args, int parts) {
    Problem p{code};
    for (int i = 1; i <= args; ++i) p.args.push_back(argMarker(i));
    for (int i = 1; i <= parts; ++i) p.parts.push_back({Code::FileNames, {partMarker(i)}});
    return p;
}

size_t count(const Text& t, const Text& part) {
    size_t n = 0;
    for (size_t at = t.find(part); at != Text::npos; at = t.find(part, at + 1)) ++n;
    return n;
}

// Whether the text still holds a placeholder of the words.
bool holdsPlaceholder(const Text& t) {
    for (size_t i = 0; i + 1 < t.size(); ++i) {
        if (text::isLeadByte(t[i])) {
            ++i;
            continue;
        }
        if (t[i] == '%' && Text("123456789ABCDEFGHI;/+,!").find(t[i + 1]) != Text::npos) return true;
    }
    return false;
}

TEST(Catalogue, EveryCodeHasItsWordsAndEachArgumentAndPartLandsInItsSentence) {
    sim::SimMachine m;
    std::set<Code> covered;
    for (const Shape& s : kShapes) {
        SCOPED_TRACE(static_cast<int>(s.code));
        EXPECT_TRUE(covered.insert(s.code).second) << "listed twice";
        const bool custom = s.code == Code::Disk || s.code == Code::BcdFailed;
        EXPECT_EQ(say::wordsOf(s.code) == nullptr, custom);
        if (s.code == Code::Disk) continue;  // its arguments are numbers: told by the table below
        const Text said = say::sentence(marked(s.code, s.args, s.parts), m);
        EXPECT_FALSE(said.empty());
        EXPECT_FALSE(holdsPlaceholder(said)) << said;
        for (int i = 1; i <= s.args; ++i) EXPECT_NE(said.find(argMarker(i)), Text::npos) << said;
        for (int i = 1; i <= s.parts; ++i) EXPECT_NE(said.find(partMarker(i)), Text::npos) << said;
        // Nothing the producers do not hand over is asked for.
        const Text more = say::sentence(marked(s.code, s.args + 1, s.parts + 1), m);
        EXPECT_EQ(more.find(argMarker(s.args + 1)) != Text::npos, s.list && s.args > 0) << more;
        EXPECT_EQ(more.find(partMarker(s.parts + 1)) != Text::npos, s.list && s.parts > 0) << more;
        // The system's reason: once where it carries an error, never without one.
        Problem failed = marked(s.code, s.args, s.parts);
        failed.error = kErrorDiskFull;
        EXPECT_EQ(count(say::sentence(failed, m), "（磁盘满）"), 1u) << say::sentence(failed, m);
        EXPECT_EQ(said.find("磁盘满"), Text::npos);
    }
    EXPECT_EQ(covered.size(), static_cast<size_t>(Code::Count)) << "a code without its row here";
}

// A machine whose system says other words for its errors.
class WordyMachine : public sim::SimMachine {
public:
    Text errorText(uint32_t error) override {
        if (error == 5) return "Access is denied. ";
        if (error == 112) return "磁盘满。\r\n";
        return {};
    }
};

TEST(Catalogue, ComposedSentencesReadAsTheProgramHasAlwaysSaidThem) {
    WordyMachine m;
    const Problem outcomeFull{Code::WriteOutcomeFailed, {"D:\\TRIVEX.JOB"}, kErrorDiskFull};
    const Problem deleteDenied{Code::DeleteFailed, {"C:\\ghost.exe"}, kErrorAccessDenied};
    const struct {
        Problem problem;
        Text said;
    } cases[] = {
        // The reason right after the step that failed, inside what follows it.
        {around(Code::TakenBack, {outcomeFull}), "写入任务结果记录 D:\\TRIVEX.JOB 失败（磁盘满），本次操作已撤回。"},
        {around(Code::TakenBackWithErrors,
                {outcomeFull, around(Code::Several, {deleteDenied, {Code::RenameBackFailed, {"C:\\grldr.bak", "C:\\grldr"}}})}),
         "写入任务结果记录 D:\\TRIVEX.JOB 失败（磁盘满），本次操作已撤回，但撤回时出错：删除 C:\\ghost.exe 失败"
         "（Access is denied）；把 C:\\grldr.bak 改回 C:\\grldr 失败。请在重启前检查启动菜单 C:\\boot.ini 和 C 盘根目录！"},
        // Before a closing "。", or where the words place it.
        {{Code::Ghost32StartFailed, {}, kErrorAccessDenied}, "无法启动 E:\\Ghost32.exe（Access is denied）。"},
        {{Code::Ghost32WriteFailed, {}, kErrorDiskFull},
         "无法写入 E:\\Ghost32.exe（磁盘满）（没有 E 盘、E 盘不可写或文件正在使用），Ghost32 未启动。"},
        {{Code::Ghost32WriteFailed}, "无法写入 E:\\Ghost32.exe（没有 E 盘、E 盘不可写或文件正在使用），Ghost32 未启动。"},
        // An error the system has no words for is told by its number.
        {{Code::WriteFailed, {"C:\\grldr"}, 1234}, "写入 C:\\grldr 失败（系统错误 1234）"},
        {{Code::WriteFailed, {"C:\\grldr"}}, "写入 C:\\grldr 失败"},
        // Arguments: a date, a number, a literal "%", a list of paths, a tool's answer.
        {{Code::AskOverwriteImage, {"E:\\a.gho", "6", Arg::when(text::dateFromParts({2026, 12, 7, 18, 3, 0}))}},
         "映像文件 E:\\a.gho 已经存在（6 MB，修改于 2026年12月7日 18:03）。\r\n备份会覆盖它，原来的映像将不复存在。是否继续？"},
        {{Code::PathHasPercent, {"E:\\100%\\a.gho"}},
         "映像文件路径 E:\\100%\\a.gho 含有 %，批处理会把它当成变量。请换一个不含 % 的路径。"},
        {{Code::FileNames, {"C:\\grldr", "C:\\TRIVEX.JOB"}}, "（C:\\grldr、C:\\TRIVEX.JOB）"},
        {{Code::BcdFailed, {"bcdedit /delete {x}", "1", Arg::quote("\r\n无法打开启动配置数据存储。\r\n\t拒绝访问。\r\n")}},
         "bcdedit /delete {x} 失败（退出代码 1）：无法打开启动配置数据存储。 拒绝访问。"},
        {{Code::BcdFailed, {"bcdedit /delete {x}", "1", Arg::quote("\r\n  \r\n")}}, "bcdedit /delete {x} 失败（退出代码 1）。"},
        {{Code::BcdFailed, {"bcdedit /create", "1", Arg::quote(Text(400, 'x'))}},
         "bcdedit /create 失败（退出代码 1）：" + Text(300, 'x') + "…"},
        // A part that is not there says nothing.
        {around(Code::BcdAddFailed, {{Code::BcdNotStarted, {"bcdedit /create"}}}),
         "无法在启动配置中添加启动项：无法运行系统的 bcdedit.exe（bcdedit /create）。"},
        // Disks: their size in GB or MB, and their model, where they say them.
        {around(Code::CNotOnBootDisk, {{Code::Disk, {"1", "250059350016", "ST3250310AS"}}, {Code::Disk, {"0", "0", ""}}}),
         "C: 盘在磁盘 1（232 GB，ST3250310AS）上，而计算机是从磁盘 0启动的（系统分区在那块硬盘上）。DOS 下的 Ghost "
         "只把启动硬盘当作 1 号硬盘，本程序只为装在启动硬盘上的 Windows 准备任务，本次任务不执行。"},
        {{Code::Disk, {"2", "536870912", ""}}, "磁盘 2（512 MB）"},
        {{Code::Disk, {"3", "0", "VBOX HARDDISK"}}, "磁盘 3（VBOX HARDDISK）"},
        // The words of a backup or a restore inside the last job's account.
        {around(Code::LastJobFailed, {{Code::Restore}, around(Code::DosNoRam, {{Code::Restore}})},
                {Arg::when(text::dateFromParts({2026, 12, 7, 18, 43, 30}))}),
         "上次还原失败（2026年12月7日 18:43 准备的任务）：DOS 下无法建立内存盘 Z:，Ghost 没有运行，什么也没有还原。"},
        {around(Code::Lines, {{Code::CFilesTakenBack}, {Code::CFilesTakenBack}}),
         "任务留在 C 盘上的文件已撤回。\r\n任务留在 C 盘上的文件已撤回。"},
    };
    for (const auto& c : cases) EXPECT_EQ(say::sentence(c.problem, m), c.said);
}

TEST(Catalogue, TheSimulatedMachinesWordsAreTheSystemsWithoutTheirFullStop) {
    sim::SimMachine m;
    const std::pair<uint32_t, Text> errors[] = {
        {2, "（系统找不到指定的文件）"}, {3, "（系统找不到指定的路径）"}, {5, "（访问被拒绝）"}, {112, "（磁盘满）"},
        {123, "（文件名、目录名或卷标语法不正确）"},
    };
    for (const auto& [error, words] : errors)
        EXPECT_EQ(say::sentence({Code::DeleteFailed, {"C:\\grldr"}, error}, m), "删除 C:\\grldr 失败" + words);
}

}  // namespace
}  // namespace trivex
