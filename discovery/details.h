// The details of a found image: choosing an entry of the result list makes
// it the job's image and describes it.
#pragma once

#include "platform/platform.h"

namespace trivex {

// 列表框2's selection: the entry's path into 编辑框1, and its name, size (MB
// of 1,024,000 bytes, rounded down) and last-write date (local time) into
// 透明标签2, 透明标签3 and 透明标签4, which lie outside the visible window;
// the size and date also go into status-bar panel 1, where the user sees
// them. An image that is no longer there is named in panel 1 as not found,
// and its size and date stay empty.
void imageDetails(Platform& platform);

// "镜像大小：" + size + "MB" for a size in bytes; "镜像大小：" alone for -1 (no such file).
Text imageSizeText(int64_t bytes);
// "创建日期：2016年3月5日9:7" for a date value, no leading zeros; "创建日期："
// alone for the no-date value.
Text imageDateText(double date);

}  // namespace trivex
