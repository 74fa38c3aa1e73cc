// The sentence each problem and question becomes: one entry per code.
#include "platform/text.h"
#include "ui/catalogue.h"

namespace trivex::say {

const char* wordsOf(Code code) {
    switch (code) {
        // ---- Lists and words ----
        case Code::Several: return "%;";
        case Code::Lines: return "%/";
        case Code::InTurn: return "%+";
        case Code::FileNames: return "（%,）";
        case Code::Backup: return "备份";
        case Code::Restore: return "还原";
        case Code::Disk: return nullptr;

        // ---- The job's request ----
        case Code::NoModeChosen:
            return "请先选择“还原系统”或“备份系统”中的一项（现在两项都选中或都没有选中），再准备任务。";
        case Code::PathBrokenGbk: return "映像文件路径 %1 含有不完整的汉字编码，DOS 下无法读取。请换一个路径。";
        case Code::PathNotGbk:
            return "映像文件路径 %1 含有无法用 GBK 编码表示的字符，DOS 下无法读取。请换一个只含中英文字符的路径。";
        case Code::PathHasSpace:
            return "映像文件路径 %1 含有空格，DOS 下的 Ghost 会把它当成两个参数。请换一个不含空格的路径。";
        case Code::PathHasPercent: return "映像文件路径 %1 含有 %，批处理会把它当成变量。请换一个不含 % 的路径。";
        case Code::PathHasSeparator: return "映像文件路径 %1 含有 “%2”，Ghost 的命令行用它分隔参数。请换一个路径。";
        case Code::PathTooLong:
            return "映像文件路径 %1 太长：DOS 下 Ghost 的命令行最多 126 个字符，现在是 %2 个。请把映像放到路径较短的文件夹中。";
        case Code::TargetNotMapped: return "没有选择要备份或还原的分区（C 盘到 Z 盘中的一个），请重新选择分区。";
        case Code::ImagePathInvalid:
            return "映像文件路径无效：需要以 C 到 Z 的盘符开头的完整路径（如 E:\\Ghost\\G_WinXP.gho），请重新选择映像文件。";
        case Code::ImageOnTarget: return "映像文件不能放在要备份或还原的分区上，请换一个分区存放映像。";
        case Code::ImageMissing: return "映像文件不存在，请重新选择映像文件。";
        case Code::NotGhostImage:
            return "映像文件 %1 不是 Ghost 映像（文件太小，或开头没有 Ghost 映像的标志），不能用它还原。请重新选择映像文件。";
        case Code::BackupFolderMissing: return "保存映像的文件夹不存在，请重新选择保存位置。";
        case Code::BackupPathIsFolder: return "映像文件路径是一个文件夹，请重新选择保存位置。";
        case Code::CustomGhostIsJobFile: return "自定义的 Ghost 不能是 C:\\ghost.exe 本身，请把它放到别的文件夹后再选择。";
        case Code::AskOverwriteImage:
            return "映像文件 %1 已经存在（%2 MB，修改于 %3）。\r\n备份会覆盖它，原来的映像将不复存在。是否继续？";
        case Code::AskShortOfRoom:
            return "%1 盘只有 %2 MB 可用空间，而要备份的 %3: 盘已用 %4 MB。映像压缩后通常会小一些，但空间可能不够，"
                   "备份可能失败。是否继续？";
        case Code::AskDemoBuild:
            return "此版本带的是演示用的引导文件，重启后不会真正备份或还原。\r\n"
                   "选择“确定”继续（之后可以撤销），选择“取消”返回。";

        // ---- Ghost's partition numbers ----
        case Code::CNotOnBootDisk:
            return "C: 盘在%A上，而计算机是从%B启动的（系统分区在那块硬盘上）。DOS 下的 Ghost 只把启动硬盘当作 1 "
                   "号硬盘，本程序只为装在启动硬盘上的 Windows 准备任务，本次任务不执行。";
        case Code::PartitionUnknowable: return "%1: 盘%A。为免 Ghost 写错分区，本次任务不执行。";
        case Code::DiskIsGpt: return "所在的硬盘使用 GPT 分区表，DOS 下的 Ghost 无法按分区号找到它";
        case Code::DiskIsDynamic: return "所在的硬盘是动态磁盘，DOS 下的 Ghost 无法按分区号找到它";
        case Code::PartitionNotListed: return "不在系统报告的分区表中";
        case Code::PartitionOrderDiffers:
            return "所在硬盘的分区可以按不止一种顺序编号：按分区表是第 %1 个，按另一种 Ghost 可能采用的顺序（按分区在硬盘上的"
                   "位置，或把逻辑分区排在扩展分区的表项处）是第 %2 个，无法确定 Ghost 会把它算作第几个分区";

        // ---- The way the machine starts ----
        case Code::XpBehindBootManager:
            return "这台计算机通过较新的 Windows（Vista 及以后）的启动管理器 bootmgr 启动，它只在选择早期的 Windows "
                   "时才读 boot.ini，正在运行的 Windows XP 无法安排下次启动进入 Ghost。请启动这台计算机上较新的 "
                   "Windows，在那里准备任务。";
        case Code::BootIniOnDrive:
            return "计算机启动时读的是 %1: 盘上的 boot.ini，不是本程序要改的 C:\\boot.ini，改了也不会在下次启动时进入 "
                   "Ghost，本次任务不执行。";
        case Code::BootIniOnHiddenPartition:
            return "计算机启动时读的是磁盘 %1 上一个没有盘符的分区上的 boot.ini，不是本程序要改的 C:\\boot.ini，"
                   "改了也不会在下次启动时进入 Ghost，本次任务不执行。";
        case Code::StaleEntryStays: return "启动配置中留有本程序上次任务的启动项，删除它失败：%A";

        // ---- The boot configuration store ----
        case Code::StoreNotOnThisWindows:
            return "这台电脑没有 C:\\boot.ini，而它的 Windows 版本（%1.%2）也不使用启动配置存储，Trivex "
                   "不知道如何让它启动到 DOS。任务未准备。";
        case Code::Uefi:
            return "这台电脑以 UEFI 方式启动。Trivex 使用的 GRUB4DOS 和 DOS 只能在 BIOS（传统）启动方式下运行，"
                   "因此不能在这台电脑上备份或还原。任务未准备，什么都没有改动。";
        case Code::FirmwareUnknown:
            return "无法确定这台电脑是以 BIOS 还是 UEFI 方式启动的。为安全起见，任务未准备，什么都没有改动。";
        case Code::NotAdministrator:
            return "Trivex 没有以管理员身份运行，不能修改启动配置。请右键单击 Trivex，选择“以管理员身份运行”，"
                   "然后重试。任务未准备，什么都没有改动。";
        case Code::NoBcdedit:
            return "系统文件夹中找不到 bcdedit.exe，Trivex 不能修改启动配置。任务未准备，什么都没有改动。";
        case Code::BcdNotStarted: return "无法运行系统的 bcdedit.exe（%1）。";
        case Code::BcdTimedOut: return "%1 在 %2 秒内没有结束，已被终止。";
        case Code::BcdFailed: return nullptr;
        case Code::BcdAddFailed: return "无法在启动配置中添加启动项：%A%B";
        case Code::BcdSetFailed: return "无法设置启动项 %1：%A%B";
        case Code::BcdEntryLeft:
            return "\r\n撤回时删除该启动项也失败：%A\r\n启动项 %1 留在启动配置中：它不是默认项，也不在启动菜单中，"
                   "但可能仍是下次启动的一次性启动项。";
        case Code::BcdListFailed: return "无法读取启动配置：%A";
        case Code::BcdNoBootManager:
            return "无法读取启动配置：bcdedit /enum all /v 的回答中找不到 Windows 启动管理器的启动项，"
                   "无法确认启动配置中是否还有本程序的启动项。";
        case Code::BcdEntryStays: return "无法删除启动项 %1：%A";

        // ---- The boot menu ----
        case Code::MenuNotText: return "C:\\boot.ini 不是普通文本（UTF-16 编码或含有空字节），无法安全地改写启动菜单。";
        case Code::MenuWithoutSystems:
            return "C:\\boot.ini 中没有 [operating systems] 段或其中没有系统项，改写后将无法回到 Windows，"
                   "本程序不会改写它。";
        case Code::NoBootIni:
            return "找不到 C:\\boot.ini：本机不是用 boot.ini 启动的系统，无法用本程序安排 Ghost 任务。";
        case Code::MenuUnreadable: return "读取 C:\\boot.ini 失败，无法改写启动菜单。";
        case Code::ReadMenuFailed: return "读取 C:\\boot.ini 失败";
        case Code::MenuStillRedirected: return "C:\\boot.ini 仍指向 C:\\grldr（之前的任务没有撤销）";
        case Code::UnprotectFailed: return "去掉 %1 的只读、隐藏和系统属性失败";
        case Code::SaveMenuFailed: return "把 C:\\boot.ini 备份为 C:\\boot.bak 失败";
        case Code::SavedMenuDiffers: return "C:\\boot.bak 与 C:\\boot.ini 的内容不一致，备份启动菜单失败";
        case Code::SavedMenuAttributesFailed: return "设置 C:\\boot.bak 的属性失败";
        case Code::BootBakInTheWay: return "C:\\boot.bak 已存在，但不是现在的启动菜单，也无法把它改名移开";
        case Code::BootBakSetAside:
            return "C:\\boot.bak 已存在，但它不是现在的启动菜单，可能是您自己保存的文件。为了不覆盖它，已把它改名为 "
                   "%1，内容没有改动。";
        case Code::RewriteMenuFailed: return "改写 C:\\boot.ini 失败";
        case Code::RestoreMenuFailed: return "恢复 C:\\boot.ini 失败";
        case Code::RestoreMenuAttributesFailed: return "恢复 C:\\boot.ini 的属性失败";
        case Code::DeleteSavedMenuFailed: return "删除本次生成的 C:\\boot.bak 失败";
        case Code::RenameBackFailed: return "把 %1 改回 %2 失败";

        // ---- The boot menu's own lines ----
        case Code::MenuWithoutLoaderSection:
            return "C:\\boot.ini 中没有 [boot loader] 段，本程序无法只改动其中的几行，不会改写它。任务未准备，什么都没有改动。";
        case Code::MenuUnusual:
            return "C:\\boot.ini 中的这一行会让本程序以后分辨不出哪些行是它改的：%1。本程序不会改写启动菜单，"
                   "任务未准备，什么都没有改动。请先用记事本修改这一行（例如删除重复的一行），再准备任务。";
        case Code::MenuChangedMeanwhile: return "C:\\boot.ini 在准备任务时被改动了";
        case Code::MenuLeftAlone:
            return "无法分辨 C:\\boot.ini 中哪些行是本程序改的（%A），所以没有改动它。请用记事本打开 C:\\boot.ini 检查："
                   "删除“C:\\grldr=Trivex Ghost”一行，把 default= 改回 Windows 的启动项，timeout= 改回原来的秒数"
                   "（准备任务之前的启动菜单保存在 C:\\boot.bak）";
        case Code::MenuJobUnrecorded: return "任务记录 C:\\TRIVEX.JOB 不见了或不是本程序的，不知道任务改了哪些行";
        case Code::MenuNowNotText: return "它已不是普通文本：UTF-16 编码或含有空字节";
        case Code::MenuLinesTwice: return "本程序写入的某一行出现了两次";
        case Code::MenuEntryGone: return "本程序的启动项已被删除，但 default= 仍指向 C:\\grldr";
        case Code::MenuGoneWhileJob:
            return "找不到或无法读取 C:\\boot.ini，所以没有改动它。请确认 C:\\boot.ini 还在"
                   "（准备任务之前的启动菜单保存在 C:\\boot.bak）";

        // ---- The job's files and its record ----
        case Code::DeleteFailed: return "删除 %1 失败";
        case Code::RecordNotOurs:
            return "%1 已存在，但不是本程序的任务记录；任务会覆盖它，DOS 下也会删除它。请先把它移到别的文件夹，再准备任务。";
        case Code::OutcomeRecordNotOurs:
            return "%1 已存在，但不是本程序的任务结果记录；任务会覆盖它。请先把它移到别的文件夹，再准备任务。";
        case Code::OutcomeRecordUnknown:
            return "%1 已存在，但无法确认是这台计算机的任务结果记录；任务会覆盖它。请看过后把它移到别的文件夹，再准备任务。";
        case Code::FileNotOurs:
            return "%1 已存在，但不是本程序写入的文件；任务会覆盖它，DOS 下也会删除它。请先把它移到别的文件夹，再准备任务。";
        case Code::LoaderNoRoomAside:
            return "%1 不是本程序的引导程序，而 %2 也已存在，无法把它安全地移开。请先处理这两个文件中的一个。";
        case Code::SetAsideFailed: return "把您自己的 %1 改名为 %2 失败";

        // ---- Preparing a job, and taking it back ----
        case Code::WriteFailed: return "写入 %1 失败";
        case Code::CopyCustomGhostFailed: return "复制自定义的 Ghost（%1）到 C:\\ghost.exe 失败";
        case Code::WriteOutcomeFailed: return "写入任务结果记录 %1 失败";
        case Code::TakenBack: return "%A，本次操作已撤回。";
        case Code::TakenBackEarlierToo: return "%A，本次操作已撤回，之前准备好的任务也已撤销。";
        case Code::TakenBackWithErrors:
            return "%A，本次操作已撤回，但撤回时出错：%B。请在重启前检查启动菜单 C:\\boot.ini 和 C 盘根目录！";
        case Code::TakenBackEarlierTooWithErrors:
            return "%A，本次操作已撤回，之前准备好的任务也已撤销，但撤回时出错：%B。"
                   "请在重启前检查启动菜单 C:\\boot.ini 和 C 盘根目录！";
        case Code::EarlierJobStays: return "之前准备好的任务无法撤销（%A），它保持原样，本次任务没有准备。";
        case Code::EarlierJobPartlyUndone: return "之前准备好的任务没能完全撤销（%A），本次任务没有准备。";
        case Code::EarlierJobUndoneThen: return "之前准备好的任务已撤销。%A";

        // ---- Undo ----
        case Code::UndoErrors: return "撤销时出错：%A。";
        case Code::LoaderKeptForMenu:
            return "C:\\boot.ini 中仍有指向 C:\\grldr 的行，所以保留了 C:\\grldr，任务的其他文件已删除。"
                   "重启时请在启动菜单中选择 Windows；然后用记事本打开 C:\\boot.ini，删除指向 C:\\grldr 的行，"
                   "并把 default= 改回 Windows 的启动项（也可以在“系统属性-高级-启动和故障恢复”中修改）。";
        case Code::LoaderKeptForStore:
            return "启动配置中仍有本程序的启动项，所以保留了 C:\\tvxldr 和 C:\\grldr.mbr，任务的其他文件已删除。"
                   "下次启动如果停在 GRUB4DOS 的提示符，请重启进入 Windows，再用本程序撤销一次。";

        // ---- A job cut short ----
        case Code::MenuCutRepaired:
            return "C:\\boot.ini 不见了（DOS 下恢复启动菜单时被中断），已把去掉本程序启动项的启动菜单放回 C:\\boot.ini";
        case Code::DosMenuCut: return "Trivex 上次的任务在 DOS 下恢复启动菜单时被中断：%A。";
        case Code::DosMenuCutWithErrors:
            return "Trivex 上次的任务在 DOS 下恢复启动菜单时被中断：%A。出错：%B。请检查 C:\\boot.ini。";
        case Code::DosMenuCutFailed:
            return "Trivex 上次的任务在 DOS 下恢复启动菜单时被中断：。出错：%A。请检查 C:\\boot.ini。";
        case Code::JobCutMenu: return "启动菜单 C:\\boot.ini 仍指向 Ghost 任务，但任务的文件不完整";
        case Code::JobCutStore: return "启动配置中仍有 Ghost 任务的启动项，但任务的文件不完整";
        case Code::JobCutFiles: return "任务的文件还在，但下次启动不会运行它们";
        case Code::Also: return "；%A";
        case Code::JobCutRepaired:
            return "Trivex 上次准备或撤销 Ghost 任务时被中断（程序被关闭或断电）：%A。"
                   "已把这个不完整的任务撤回：启动菜单和您的文件都已恢复，计算机会正常启动 Windows。"
                   "如果还要备份或还原，请重新准备任务。";
        case Code::JobCutPartly: return "Trivex 上次准备或撤销 Ghost 任务时被中断（程序被关闭或断电）：%A。%B";
        case Code::TakeBackErrors: return "撤回时出错：%A。";

        // ---- What the last job did ----
        case Code::LastJobFailed: return "上次%A失败（%1 准备的任务）：%B";
        case Code::DosNoMenu: return "DOS 下无法恢复启动菜单 C:\\boot.ini，Ghost 没有运行，什么也没有%A。";
        case Code::DosNoRam: return "DOS 下无法建立内存盘 Z:，Ghost 没有运行，什么也没有%A。";
        case Code::DosStoppedEarly: return "DOS 下找到了任务，但在 Ghost 开始%A之前就停止了，什么也没有%A。";
        case Code::ImageCheckFailed:
            return "映像文件 %1 没有通过 Ghost 的完整性检查（Ghost 返回代码 %2），映像可能已损坏或无法读取。"
                   "还原没有进行，系统分区没有被改动。";
        case Code::GhostFailedBackup:
            return "Ghost 报告错误（%A），没有生成可用的映像。常见原因：保存映像的盘空间不足或无法写入。";
        case Code::GhostFailedRestore:
            return "Ghost 报告错误（%A）。系统分区可能没有被完整还原；如果 Windows 运行不正常，请重新还原。"
                   "常见原因：映像文件损坏或无法读取，或分区无法写入。";
        case Code::GhostCodeSuccess: return "代码 %1：成功";
        case Code::GhostCodeCancelled: return "代码 %1：操作被取消或中止";
        case Code::GhostCodeUnfinished: return "代码 %1：Ghost 没有完成操作";
        case Code::GhostSilentBut: return "Ghost 没有报告错误，但%A。";
        case Code::BackupImageGone: return "找不到映像文件 %1";
        case Code::BackupImageNotGhost: return "映像文件 %1 不是 Ghost 映像（没有 Ghost 映像的标志 FE EF）";
        case Code::BackupImageOld: return "映像文件 %1 在准备任务之后没有被写过";
        case Code::FullStop: return "%A。";
        case Code::BackupMade: return "上次备份已完成（%1 准备的任务）：%2，%3 MB。";
        case Code::RestoreDone: return "上次还原已完成（%1 准备的任务）：已用 %2 还原系统分区，Ghost 没有报告错误。";
        case Code::NoOutcomeRecord: return "DOS 下没有留下任何结果记录，无法确认%A是否完成。";
        case Code::NoOutcomeRecordBackup: return "DOS 下没有留下任何结果记录，无法确认备份是否完成；%A。";
        case Code::CFilesTakenBack: return "任务留在 C 盘上的文件已撤回。";
        case Code::CFilesTakeBackTrouble: return "撤回任务留在 C 盘上的文件时：%A";

        // ---- Ghost32 ----
        case Code::Ghost32NotOurs:
            return "E:\\Ghost32.exe 已存在，但不是本程序写入的文件（可能是您自己的 Ghost32）。本程序不会覆盖它，"
                   "Ghost32 未启动。请直接运行它，或把它移到别的文件夹后再选择此项。";
        case Code::Ghost32WriteFailed:
            return "无法写入 E:\\Ghost32.exe%!（没有 E 盘、E 盘不可写或文件正在使用），Ghost32 未启动。";
        case Code::Ghost32StartFailed: return "无法启动 E:\\Ghost32.exe。";

        // ---- The restart ----
        case Code::RestartRefused:
            return "系统拒绝了重启%!（没有关机权限，或有程序阻止重启）。任务已准备好，请稍后自己重启计算机；"
                   "不想运行任务请按 U 键撤销。";

        // ---- Only this machine's jobs ----
        case Code::KeepTokenFailed:
            return "无法在这台计算机上记下本次任务的记号（注册表 HKLM\\SOFTWARE\\Trivex）%!，本次任务没有准备，"
                   "什么也没有改动。请以管理员身份运行本程序后再试。";
        case Code::ForeignOutcomeLeft:
            return "%, 是另一台计算机留下的任务结果记录，不属于这台计算机的任务，已原样保留。";
        case Code::OutcomeOwnerUnknown:
            return "%, 是任务结果记录，但无法确认是这台计算机的任务留下的（本程序的早期版本留下的，"
                   "或这台计算机的硬盘和网卡都说不出自己的编号），已原样保留。若是本机的，请看过后把它移到别的文件夹。";
        case Code::AsideUnproven:
            return "%1 没有改回 %2：无法确认它是本程序的任务移开的（C:\\Vemo.img 不在，或不属于这个任务），"
                   "请自己确认后改名";

        // ---- The volumes at the restart, and the outcome confirmed ----
        case Code::TargetOnUsb:
            return "要备份或还原的 %1: 盘在 USB 硬盘上。重启后 DOS 下的 Ghost 不加载 USB 支持（-nousb），找不到这块硬盘，"
                   "本次任务不执行。请选择电脑内部硬盘上的分区。";
        case Code::ImageOnUsb:
            return "映像所在的 %1: 盘在 USB 硬盘上。重启后 DOS 下的 Ghost 不加载 USB 支持（-nousb），找不到这块硬盘，"
                   "本次任务不执行。请把映像放在电脑内部硬盘的分区上：还原前先把映像复制到内部硬盘；备份时先备份到内部硬盘，"
                   "再把映像复制到 USB 硬盘。";
        case Code::TargetUnmarked:
            return "Windows 没有给出 %1: 盘的卷序列号，任务在这个盘上也没有文件，重启后 DOS 下无法确认哪个分区是 %1: 盘。"
                   "为免 Ghost 写错分区，本次任务不执行。";
        case Code::LastJobUnconfirmed: return "无法确认上次%A已完成（%1 准备的任务）：%B%C";
        case Code::GhostNoReturn:
            return "Ghost 开始%A后没有再留下记录：可能是 Ghost 运行时计算机断电、死机或被关机重启，也可能是 Ghost "
                   "停在某个画面等待按键。";
        case Code::OutcomeNotWritable:
            return "映像所在的分区在 DOS 下只能通过 NTFS 驱动读写，而驱动在 Ghost 运行前已卸下，DOS 下无法记下 Ghost "
                   "的结果，%A是否完成无从得知。";
        case Code::NewImageUnchecked:
            return "Ghost 完成了备份，但随后对新映像的完整性检查没有完成（计算机断电、死机或被关机重启，或检查停在某个画面）。";
        case Code::NewImageCheckFailed:
            return "Ghost 完成了备份，但新映像 %1 没有通过 Ghost 的完整性检查（Ghost 返回代码 %2），不能用它还原。请重新备份。";
        case Code::CheckBackupImage: return "请检查映像文件 %1 是否存在、大小和修改时间是否合理；最好重新备份一次。";
        case Code::CheckRestoredSystem: return "请检查 Windows 是否已是映像中的状态；如果不能确定，请重新还原。";
        case Code::VolumesRefused:
            return "重启后在 DOS 下按卷序列号确认分区时，%A。为免 Ghost 写错分区，Ghost 没有运行，什么也没有%B。";
        case Code::VolumeOnNoPartition: return "有一个分区的卷序列号在所有硬盘上都找不到";
        case Code::VolumeOnTwoPartitions: return "有两个分区的卷序列号相同（例如克隆出来的硬盘），无法确定是哪一个";
        case Code::DiskUnreadableAtRestart: return "有一块硬盘无法读取，分区可能就在上面";
        case Code::TableBrokenAtRestart: return "有一块硬盘的分区表损坏，或其扩展分区链接成了循环";
        case Code::DiskNotNumberedAtRestart: return "分区在 GPT 硬盘上，或有一块动态磁盘，Ghost 无法按分区号找到它";
        case Code::TableOrderAtRestart:
            return "分区表的顺序与分区在硬盘上的先后不一致，无法确定 Ghost 会把它算作第几个分区";
        case Code::VolumeWithoutSerial:
            return "有一个盘在 DOS 下读不到卷序列号（例如只能通过 NTFS 驱动读写的盘），Windows 也没有给出它的卷序列号";
        case Code::VolumesNotSearched: return "查找分区的程序没有正常运行";
        case Code::VolumesDiffer:
            return "重启后在 DOS 下按卷序列号找到的是 %1（要备份或还原的分区）和 %2（映像所在的分区），与 Windows "
                   "中预期的 %3 和 %4 不一致（硬盘:分区，“+”表示启动硬盘之后的硬盘，“?”表示不知道）。为免 Ghost "
                   "写错分区，Ghost 没有运行，什么也没有%A。";

        // ---- Encrypted volumes, a job that waits, the store's entries ----
        case Code::SystemVolumeEncrypted:
            return "C: 盘用 BitLocker 加密了。重启后的 GRUB4DOS 和 DOS 读不了加密的分区，找不到任务的文件，"
                   "任务不会运行。本次任务没有准备，什么都没有改动。请先在 Windows 中关闭 BitLocker（解密该盘）再准备任务。";
        case Code::TargetVolumeEncrypted:
            return "要备份或还原的 %1: 盘用 BitLocker 加密了。DOS 下的 Ghost 只能看到加密后的数据，无法正常备份或还原它。"
                   "本次任务没有准备，什么都没有改动。请先在 Windows 中关闭 BitLocker（解密该盘）再准备任务。";
        case Code::ImageVolumeEncrypted:
            return "映像所在的 %1: 盘用 BitLocker 加密了。DOS 下的 Ghost 读写不了加密的分区，找不到映像，也无法保存映像。"
                   "本次任务没有准备，什么都没有改动。请把映像放到没有加密的分区上，或先关闭该盘的 BitLocker。";
        case Code::WaitingRestore:
            return "有一个还原任务正在等待（%2 准备，映像 %1）：下次重启计算机时，不论是谁重启（包括系统更新后的自动重启），"
                   "DOS 下的 Ghost 都会用这个映像覆盖系统分区，之后写入的内容都会丢失。不想运行请按 U 键撤销。";
        case Code::WaitingBackup:
            return "有一个备份任务正在等待（%2 准备，映像 %1）：下次重启计算机时，不论是谁重启（包括系统更新后的自动重启），"
                   "DOS 下的 Ghost 都会备份系统分区。不想运行请按 U 键撤销。";
        case Code::WaitingManual:
            return "有一个手动 Ghost 任务正在等待（%1 准备）：下次重启计算机时，不论是谁重启（包括系统更新后的自动重启），"
                   "都会进入 DOS 下的 Ghost。不想运行请按 U 键撤销。";
        case Code::UserSequenceKept:
            return "您为下次启动安排的一次性启动项（%1，例如内存诊断）已记在任务记录中：下次启动先运行本任务，"
                   "任务运行后、撤销任务时都会把它放回，之后的启动仍会运行它。";
        case Code::SequenceNotPutBack:
            return "把您原来的一次性启动项（%1）放回启动配置失败：%A。如仍需要，请重新安排它（例如再次选择内存诊断）。";
        case Code::LoaderKeptAfterTakeBack:
            return "无法确认本程序的启动项已从启动配置中删除，它可能仍是下次启动的一次性启动项，所以保留了引导程序的文件和"
                   "任务记录 C:\\TRIVEX.JOB：下次启动可能会运行引导程序（任务的其他文件已删除，Ghost 不会运行）。"
                   "请稍后在本程序中按 U 键再撤销一次。";
        case Code::EntriesLookLikeOurs:
            return "启动配置中有描述为“Trivex Ghost”的启动项 %1，但本程序没有它的记录（可能是别的程序、手动 Ghost "
                   "任务或以前的版本留下的），所以没有删除它。它不是默认项，也不在启动菜单中；如不需要，"
                   "可以用“bcdedit /delete 标识符”删除。";
        case Code::EntryUsedUp:
            return "上次重启已用掉了 Ghost 任务的一次性启动项，但任务没有在 DOS 下运行（%A），什么也没有备份或还原。"
                   "可能的原因：计算机启动了另一个引导程序，或 C 盘在 DOS 下无法读取。已把任务留在 C 盘上的文件撤回；"
                   "如果还要备份或还原，请重新准备任务。";
        case Code::OutcomeSaysNothing: return "任务结果记录 %1 中没有 DOS 下留下的任何记录";
        case Code::OutcomeRecordMissing: return "找不到任务结果记录 %1";
        case Code::NoOutcomeForManual: return "手动 Ghost 任务没有结果记录";
        case Code::DosSkipped:
            return "上次%A没有进行（%1 准备的任务）：您在 DOS 下的倒计时中按了键，跳过了它，什么也没有%A。";

        // ---- What the DOS side will find, foreseen in Windows ----
        case Code::DosWouldRefuse:
            return "重启后 DOS 下按卷序列号确认分区时会拒绝运行 Ghost，因此本次任务不执行，什么都没有改动。%A";
        case Code::DiskSectorUnreadable:
            return "%A的第 %1 扇区读不出%!：分区表指向了磁盘末尾之外，或那里是坏扇区。任何一块硬盘读不全，DOS "
                   "都无法确认分区。请用磁盘管理检查这块硬盘，或先拔下它再准备任务。";
        case Code::DiskTableBroken:
            return "%A的分区表损坏（例如有两个扩展分区、逻辑分区的链接成了循环，或启动标志不对）。任何一块硬盘的分区表损坏，"
                   "DOS 都无法确认分区。请修复这块硬盘的分区表，或先拔下它再准备任务。";
        case Code::DiskDynamicForDos:
            return "%A是动态磁盘，DOS 读不出它上面的卷，因而无法确认分区。请把它转换为基本磁盘，或先拔下它再准备任务。";
        case Code::DiskSectorSize:
            return "%A的扇区是 %1 字节，DOS 和 Ghost 只能读 512 字节的扇区，因而无法确认分区。请先拔下这块硬盘再准备任务。";
        case Code::SerialTwice:
            return "%1: 盘的卷序列号 %2 在两个分区上都有（%A的第 %3 个分区和%B的第 %4 个分区），例如克隆出来的硬盘，"
                   "DOS 无法分辨是哪一个。请先拔下克隆出来的硬盘再准备任务。";
        case Code::SerialNowhere:
            return "%1: 盘的卷序列号 %2 在所有硬盘上都找不到（它可能不是电脑内部硬盘上的分区），DOS 无法确认它是哪个分区。"
                   "请选择电脑内部硬盘上的分区。";
        case Code::EmptySlotBefore:
            return "所在硬盘的分区表中，它（或装着它的扩展分区）前面有一个空的表项，如果 Ghost 把空表项也算在内，"
                   "它的编号就会不同";
        case Code::ForeignPartitionBefore:
            return "所在硬盘上，它前面的第 %1 个分区没有 DOS 认识的文件系统（FAT 或 NTFS，例如 Linux 分区），如果 Ghost "
                   "不把这个分区算在内，它的编号就会不同";
        case Code::SectorNot512: return "所在硬盘的扇区是 %1 字节，DOS 和 Ghost 只能读 512 字节的扇区";
        case Code::NotForeseen:
            return "本程序在 Windows 中没能预先检查重启后 DOS 会遇到的一切：%;。重启后 DOS 下还会检查，发现问题时 Ghost "
                   "不会运行，什么都不会改动。";
        case Code::DiskNotReadHere: return "读不出%A";
        case Code::EncryptionNotChecked: return "无法确认 %1: 盘没有用 BitLocker 加密";
        case Code::EmptySlotAtRestart: return "分区表中分区前面有空的表项，无法确定 Ghost 会把它算作第几个分区";
        case Code::ForeignPartitionAtRestart:
            return "分区前面有 DOS 不认识文件系统的分区（例如 Linux 分区），无法确定 Ghost 会把它算作第几个分区";
        case Code::SectorSizeAtRestart: return "有一块硬盘的扇区不是 512 字节，DOS 无法读取，分区可能就在上面";
        case Code::VolumesSame:
            return "重启后在 DOS 下按卷序列号找到的要备份或还原的分区和映像所在的分区是同一个分区（%1）。为免 Ghost "
                   "写错分区，Ghost 没有运行，什么也没有%A。";

        case Code::Count: break;
    }
    return nullptr;
}

namespace {

const Text kFullStop = "。";

bool endsWith(const Text& t, const Text& tail) {
    return t.size() >= tail.size() && t.compare(t.size() - tail.size(), tail.size(), tail) == 0;
}

// "2026年12月7日 18:43" of a date value.
Text dateText(double date) {
    const text::DateParts d = text::partsOfDate(date);
    auto n = [](int v) { return text::toText(static_cast<int32_t>(v)); };
    return n(d.year) + "年" + n(d.month) + "月" + n(d.day) + "日 " + n(d.hour) + ":" + (d.minute < 10 ? "0" : "") +
           n(d.minute);
}

// A tool's answer on one line: line ends and tabs become one space between
// words, at most about 300 bytes, never a two-byte character cut in half.
Text oneLine(const Text& answer) {
    Text s;
    bool gap = false;
    for (size_t i = 0; i < answer.size(); ++i) {
        const char c = answer[i];
        if (c == '\r' || c == '\n' || c == '\t') {
            gap = !s.empty();
            continue;
        }
        if (gap) s += ' ';
        gap = false;
        s += c;
        if (text::isLeadByte(c) && i + 1 < answer.size()) s += answer[++i];
        if (s.size() >= 300) {
            s += "…";
            break;
        }
    }
    return text::trimTrailing(s);
}

Text argText(const Arg& a) {
    switch (a.kind) {
        case Arg::Kind::Date: return dateText(a.date);
        case Arg::Kind::Quote: return oneLine(a.text);
        case Arg::Kind::Plain: break;
    }
    return a.text;
}

// The system's reason for `error`: its own words in full-width brackets.
Text reason(uint32_t error, Machine& m) {
    Text words = m.errorText(error);
    for (bool more = true; more;) {
        while (!words.empty() && Text(" .\r\n\t").find(words.back()) != Text::npos) words.pop_back();
        more = endsWith(words, kFullStop);
        if (more) words.resize(words.size() - kFullStop.size());
    }
    if (words.empty()) words = "系统错误 " + text::toText(static_cast<int64_t>(error));
    return "（" + words + "）";
}

Text joined(const std::vector<Text>& items, const Text& between) {
    Text all;
    for (size_t i = 0; i < items.size(); ++i) all += (i ? between : Text()) + items[i];
    return all;
}

// "磁盘 0（232 GB，ST3250310AS）": the disk's number as Windows' disk
// management shows it, and what the disk says of itself.
Text diskName(const Problem& p) {
    const Text number = p.args.empty() ? Text() : p.args[0].text;
    uint64_t bytes = 0;
    for (const char c : p.args.size() > 1 ? p.args[1].text : Text())
        if (c >= '0' && c <= '9') bytes = bytes * 10 + static_cast<uint64_t>(c - '0');
    const Text model = p.args.size() > 2 ? p.args[2].text : Text();
    Text facts;
    if (bytes >= (1ull << 30)) facts = text::toText(static_cast<int64_t>(bytes >> 30)) + " GB";
    else if (bytes > 0) facts = text::toText(static_cast<int64_t>(bytes >> 20)) + " MB";
    if (!model.empty()) facts += (facts.empty() ? "" : "，") + model;
    return "磁盘 " + number + (facts.empty() ? "" : "（" + facts + "）");
}

// "bcdedit /set … 失败（退出代码 1）：what it said", or "。" when it said nothing.
Text bcdFailed(const Problem& p) {
    const auto arg = [&](size_t i) { return i < p.args.size() ? argText(p.args[i]) : Text(); };
    const Text said = arg(2);
    return arg(0) + " 失败（退出代码 " + arg(1) + "）" + (said.empty() ? kFullStop : "：" + said);
}

Text render(const Problem& p, Machine& m);

// The sentence with the system's reason at its end, before a closing "。".
Text withReason(Text s, const Problem& p, Machine& m) {
    if (!p.error) return s;
    const bool stop = endsWith(s, kFullStop);
    if (stop) s.resize(s.size() - kFullStop.size());
    return s + reason(p.error, m) + (stop ? kFullStop : "");
}

// The words with the arguments, the parts and the reason in place; the
// reason at the end (before a closing "。") where the words do not place it.
Text fill(const char* words, const Problem& p, Machine& m) {
    const Text w = words ? words : "";
    std::vector<Text> parts;
    for (const Problem& part : p.parts) parts.push_back(render(part, m));
    std::vector<Text> args;
    for (const Arg& a : p.args) args.push_back(argText(a));
    Text s;
    bool placed = false;
    for (size_t i = 0; i < w.size(); ++i) {
        const char c = w[i];
        if (text::isLeadByte(c) && i + 1 < w.size()) {
            s += c;
            s += w[++i];
            continue;
        }
        const char k = i + 1 < w.size() ? w[i + 1] : '\0';
        if (c != '%' || !k) {
            s += c;
            continue;
        }
        if (k >= '1' && k <= '9') {
            const size_t n = static_cast<size_t>(k - '1');
            if (n < args.size()) s += args[n];
        } else if (k >= 'A' && k <= 'I') {
            const size_t n = static_cast<size_t>(k - 'A');
            if (n < parts.size()) s += parts[n];
        } else if (k == ';') {
            s += joined(parts, "；");
        } else if (k == '/') {
            s += joined(parts, "\r\n");
        } else if (k == '+') {
            s += joined(parts, "");
        } else if (k == ',') {
            s += joined(args, "、");
        } else if (k == '!') {
            if (p.error) s += reason(p.error, m);
            placed = true;
        } else {
            s += c;
            continue;
        }
        ++i;
    }
    return placed ? s : withReason(s, p, m);
}

Text render(const Problem& p, Machine& m) {
    switch (p.code) {
        case Code::Disk: return withReason(diskName(p), p, m);
        case Code::BcdFailed: return withReason(bcdFailed(p), p, m);
        default: break;
    }
    return fill(wordsOf(p.code), p, m);
}

}  // namespace

Text sentence(const Problem& problem, Machine& machine) { return render(problem, machine); }

}  // namespace trivex::say
