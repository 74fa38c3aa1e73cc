#include "discovery/details.h"

#include <cmath>

#include "platform/text.h"
#include "ui/names.h"

namespace trivex {

namespace {
constexpr WindowId kMain = WindowId::Main;
constexpr double kBytesPerImageMB = 1024000.0;
constexpr int kDetailsPanel = 1;

// The text after the last "\" (found character by character), the whole
// path when it has none.
Text nameOf(const Text& path) {
    const int64_t slash = text::findBackwards(path, "\\");
    return slash < 0 ? path : text::mid(path, slash + 1, text::length(path) - slash);
}
}  // namespace

Text imageSizeText(int64_t bytes) {
    if (bytes < 0) return "镜像大小：";
    const double mb = std::fabs(text::integerPart(static_cast<double>(bytes) / kBytesPerImageMB));
    return "镜像大小：" + text::toText(static_cast<int64_t>(mb)) + "MB";
}

Text imageDateText(double date) {
    if (date == kNoDate) return "创建日期：";
    const text::DateParts d = text::partsOfDate(date);
    auto n = [](int v) { return text::toText(static_cast<int32_t>(v)); };
    return "创建日期：" + n(d.year) + "年" + n(d.month) + "月" + n(d.day) + "日" + n(d.hour) + ":" + n(d.minute);
}

void imageDetails(Platform& p) {
    const int current = static_cast<int>(p.getProp(kMain, ctl::列表框2, Prop::CurrentIndex));
    const Text path = p.listItem(kMain, ctl::列表框2, current);
    p.setText(kMain, ctl::透明标签2, "镜像名称：" + nameOf(path));
    p.setText(kMain, ctl::编辑框1, path);
    const Text image = p.getText(kMain, ctl::编辑框1);
    // A size of -1 means no file (or folder) of that name is left.
    const int64_t size = p.fileSize(image);
    const double date = size < 0 ? kNoDate : p.fileModTime(image);
    const Text sizeText = imageSizeText(size), dateText = imageDateText(date);
    p.setText(kMain, ctl::透明标签3, sizeText);
    p.setText(kMain, ctl::透明标签4, dateText);
    p.setPanelText(kMain, ctl::状态条1, kDetailsPanel,
                   size < 0 ? "找不到镜像文件：" + image : nameOf(image) + "  " + sizeText + "  " + dateText);
}

}  // namespace trivex
