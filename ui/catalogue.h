// Every text the user sees, in one place: the windows' captions, the texts
// of message boxes, the status bar, captions that change, prompts, the
// sentences made of a number or a path, and the sentence each problem and
// question becomes. GBK at run time; byte for byte what the program shows.
#pragma once

#include <cstdint>

#include "platform/machine.h"
#include "platform/problem.h"

namespace trivex::say {

// ---- Problems and questions (sentences.cpp) -----------------------------------
// The sentence the user reads for a problem or a question. Where a problem
// carries the system's error, the system's own words for it (its
// errorText, without the closing "。") follow the step that failed, in
// full-width brackets: "写入 C:\grldr 失败（磁盘满）"; an error the system
// has no words for is told by its number.
Text sentence(const Problem& problem, Machine& machine);
// The words of a code: its sentence with %1 to %9 for its arguments, %A to
// %I for the problems told inside it (nothing where it has none), %; %/ %+
// for all of those in a row ("；" between them, one line each, nothing
// between), %, for all its arguments in a row ("、" between them), and %!
// where the system's reason goes when not at the end (before a closing
// "。"). Null for the codes told another way (Code::Disk, Code::BcdFailed).
const char* wordsOf(Code code);

// ---- The windows' captions (layout tables) ---------------------------------------
// The caption of every message box of the program.
extern const char kBoxCaption[];
extern const char kMainTitle[];
extern const char kPromptTitle[];
extern const char kRestoreMode[];
extern const char kBackupMode[];
extern const char kGhost32Box[];
extern const char kImagePathLabel[];
extern const char kImageFilter[];
extern const char kProgramFilter[];
extern const char kPartitionHeading[];
extern const char kUsedHeading[];
extern const char kFreeHeading[];
extern const char kTotalHeading[];
extern const char kAdvancedOptions[];
extern const char kCustomGhostBox[];
extern const char kIgnoreCrcBox[];
extern const char kCompressionLabel[];
extern const char kFastCompression[];
extern const char kHighCompression[];
extern const char kHighestCompression[];
extern const char kBrowseGhostCaption[];
extern const char kManualGhostBox[];
extern const char kImagePattern[];
extern const char kNotice[];
extern const char kUndoCaption[];
extern const char kConfirmCaption[];
extern const char kDeleteCaption[];
extern const char kExitCaption[];
extern const char kAboutCaption[];
extern const char kUsageCaption[];
extern const char kWhyCaption[];
extern const char kContactCaption[];
extern const char kWaiting[];
extern const char kFriendlyReminder[];
extern const char kRestartQuestion[];
extern const char kRestartChoices[];
extern const char kUndoQuestion[];
extern const char kUndoChoices[];
extern const char kNoCaption[];

// ---- Texts the commands show ------------------------------------------------------
// Start-up.
extern const char kLayoutFailed[];
extern const char kAnotherCopyRuns[];
extern const char kProbeFailed[];
// The status bar's second panel.
extern const char kBackedUp[];
extern const char kNotBackedUp[];
extern const char kJobPrepared[];
// The help buttons.
extern const char kAbout[];
extern const char kUsage[];
extern const char kWhy[];
// Captions that change with the program's state.
extern const char kOpenCaption[];
extern const char kSaveCaption[];
extern const char kSearchCaption[];
extern const char kStopCaption[];

// One entry of the partition list: "  C:", then the used, free and total
// size in whole MB, each after a tab, written whole however many digits
// they have: the list's tab stops put each under its heading. No line end: a
// list box would draw CR and LF as two boxes.
Text partitionEntry(char letter, int64_t usedMB, int64_t freeMB, int64_t totalMB);
// "本地磁盘共有3个GHO文件\r\n请正确选择要还原的镜像！"
Text imagesFound(int count);
// "镜像名称：" + name.
Text imageName(const Text& name);
// "镜像大小：" + size + "MB" for a size in bytes (MB of 1,024,000 bytes,
// rounded down); "镜像大小：" alone for -1 (no such file).
Text imageSize(int64_t bytes);
// "创建日期：2016年3月5日9:7" for a date value, no leading zeros; "创建日期："
// alone for the no-date value.
Text imageDate(double date);
// The status bar's account of a chosen image: its name, size and date, or
// that it is no longer there.
Text imageShown(const Text& path, const Text& name, int64_t bytes, double date);

}  // namespace trivex::say
