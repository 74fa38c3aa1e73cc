// The details of a found image: choosing an entry of the result list makes
// it the job's image and describes it.
#pragma once

#include "platform/platform.h"

namespace trivex {

class App;

// 列表框2's selection: the entry's path into 编辑框1, and its name, size (MB
// of 1,024,000 bytes, rounded down) and last-write date (local time) into
// 透明标签2, 透明标签3 and 透明标签4.
void imageDetails(App& app, WindowId, int);

// "镜像大小：" + size + "MB" for a size in bytes (-1: no such file, shown as 1).
Text imageSizeText(int64_t bytes);
// "创建日期：2016年3月5日9:7" for a date value, no leading zeros.
Text imageDateText(double date);

}  // namespace trivex
