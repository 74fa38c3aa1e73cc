#include "ui/catalogue.h"

#include <cmath>

#include "platform/text.h"

namespace trivex::say {

const char kBoxCaption[] = "信息：";
const char kMainTitle[] = "Trivex";
const char kPromptTitle[] = "Trivex Ghost";
const char kRestoreMode[] = "还原系统(&R)";
const char kBackupMode[] = "备份系统(&B)";
const char kGhost32Box[] = "Ghost32(&G)";
const char kImagePathLabel[] = " Ghost映像文件路径：";
const char kImageFilter[] = "(GHO文件)*.gho|*.gho";
const char kProgramFilter[] = "*.exe|*.exe";
const char kPartitionHeading[] = "还原分区（H）";
const char kUsedHeading[] = "已用空间(M)";
const char kFreeHeading[] = "可用空间(M)";
const char kTotalHeading[] = "总大小(M)";
const char kAdvancedOptions[] = " 高级选项";
const char kCustomGhostBox[] = "自定义Ghost版本(&V)";
const char kIgnoreCrcBox[] = "忽略CRC错误(&I)";
const char kCompressionLabel[] = "选择压缩率：";
const char kFastCompression[] = "快速压缩";
const char kHighCompression[] = "高压缩";
const char kHighestCompression[] = "最高压缩";
const char kBrowseGhostCaption[] = "打开(&P)";
const char kManualGhostBox[] = "手动Ghost";
const char kImagePattern[] = "*.GHO";
const char kNotice[] =
    "Trivex 系统备份还原工具，免费使用。\r\n"
    "备份与还原在重启后的DOS中自动完成，\r\n"
    "请勿中途关机。还原会覆盖所选分区上\r\n"
    "的全部数据，请先确认分区无误！";
const char kUndoCaption[] = "撒销(&U)";
const char kConfirmCaption[] = "确定(&Y)";
const char kDeleteCaption[] = "删除(&S)";
const char kExitCaption[] = "退出(&X)";
const char kAboutCaption[] = "Ghost解答(&J)";
const char kUsageCaption[] = "使用方法(&F)";
const char kWhyCaption[] = "为什么开发(&F)";
const char kContactCaption[] = "联系作者(&L)";
const char kWaiting[] = "等待操作";
const char kFriendlyReminder[] = "友情提示：";
const char kRestartQuestion[] = "程序处理完成，是否马上重启计算机进行还原？";
const char kRestartChoices[] = "选择“是(Y)”立即重启计算机，选择“否(N)”退出程序。";
const char kUndoQuestion[] = "您要撤销之前的操作吗？";
const char kUndoChoices[] = "选择“是(Y)”撤销操作，选择“否(N)”返回。";
const char kNoCaption[] = "取消(&N)";

const char kLayoutFailed[] = "载入启动窗口失败";
const char kAnotherCopyRuns[] =
    "Trivex 已经在这台计算机上运行（可能在另一个用户的会话中），一次只能运行一个。请在那里使用它，或先关闭它。";
const char kProbeFailed[] = "获取磁盘分区信息失败，请重启程序";
const char kBackedUp[] = "本系统已做备份，备份时注意覆盖原镜像！";
const char kNotBackedUp[] = "尚未用本软件备份系统，请及时备份镜像！";
const char kJobPrepared[] = "任务已准备好，下次启动计算机时将运行 Ghost。不想运行请按 U 键撤销。";
const char kAbout[] =
    "Trivex（英文名 Trivex System Backup & Restore）是一款在Windows中准备Ghost备份与还原任务的系统备份还原工具。"
    "该软件能够完整而快速地复制备份、还原整个硬盘或单一分区。";
const char kUsage[] =
    "1、最佳方案：完成操作系统及各种驱动的安装后，将常用的软件（如杀毒、媒体播放软件、office办公软件等）"
    "安装到系统所在盘，接着安装操作系统和常用软件的各种升级补丁，然后优化系统，最后你就在Dos下做系统盘的"
    "克隆备份了，注意备份盘的大小不能小于系统盘！";
const char kWhy[] =
    "当电脑出现故障时只要用镜像恢复就可以快速排除软件方面的问题。如果故障仍在，那十之八九是硬件问题。"
    " 那么这个时候就能使用我的免费版Trivex";
const char kOpenCaption[] = "打开(&F)";
const char kSaveCaption[] = "保存(&S)";
const char kSearchCaption[] = "搜索(&S)";
const char kStopCaption[] = "停止(&S)";

namespace {
constexpr double kBytesPerImageMB = 1024000.0;
Text number(int64_t n) { return text::toText(n); }
}  // namespace

Text partitionEntry(char letter, int64_t usedMB, int64_t freeMB, int64_t totalMB) {
    return "  " + Text(1, letter) + ":\t" + number(usedMB) + "\t" + number(freeMB) + "\t" + number(totalMB);
}

Text imagesFound(int count) { return "本地磁盘共有" + number(count) + "个GHO文件\r\n请正确选择要还原的镜像！"; }

Text imageName(const Text& name) { return "镜像名称：" + name; }

Text imageSize(int64_t bytes) {
    if (bytes < 0) return "镜像大小：";
    const double mb = std::fabs(text::integerPart(static_cast<double>(bytes) / kBytesPerImageMB));
    return "镜像大小：" + number(static_cast<int64_t>(mb)) + "MB";
}

Text imageDate(double date) {
    if (date == kNoDate) return "创建日期：";
    const text::DateParts d = text::partsOfDate(date);
    return "创建日期：" + number(d.year) + "年" + number(d.month) + "月" + number(d.day) + "日" + number(d.hour) + ":" +
           number(d.minute);
}

Text imageShown(const Text& path, const Text& name, int64_t bytes, double date) {
    if (bytes < 0) return "找不到镜像文件：" + path;
    return name + "  " + imageSize(bytes) + "  " + imageDate(date);
}

}  // namespace trivex::say
