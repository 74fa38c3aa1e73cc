// Every text the user sees, in one place: the texts of message boxes, the
// status bar, captions that change, prompts, and the sentences made of a
// number or a path. GBK at run time; byte for byte what the program shows.
#pragma once

#include <cstdint>

#include "platform/machine.h"

namespace trivex::say {

// The caption of every message box of the program.
extern const char kBoxCaption[];
// Start-up.
extern const char kLayoutFailed[];
extern const char kProbeFailed[];
// The status bar's second panel.
extern const char kBackedUp[];
extern const char kNotBackedUp[];
extern const char kJobPrepared[];
// The restart prompt's Yes, refused by the system.
extern const char kRestartRefused[];
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
// size in whole MB, each after eleven spaces, written whole however many
// digits they have. No line end: a list box would draw CR and LF as two boxes.
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
