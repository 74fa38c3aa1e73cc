#include "discovery/details.h"

#include <cmath>

#include "app/app.h"
#include "app/window_commands.h"
#include "platform/text.h"
#include "ui/names.h"

namespace trivex {

namespace {
constexpr WindowId kMain = WindowId::Main;
constexpr double kBytesPerImageMB = 1024000.0;

// The text after the last "\" (found character by character), the whole
// path when it has none.
Text nameOf(const Text& path) {
    const int64_t slash = text::findBackwards(path, "\\");
    return slash < 0 ? path : text::mid(path, slash + 1, text::length(path) - slash);
}
}  // namespace

Text imageSizeText(int64_t bytes) {
    const double mb = std::fabs(text::integerPart(static_cast<double>(bytes) / kBytesPerImageMB));
    return "镜像大小：" + text::toText(static_cast<int64_t>(mb)) + "MB";
}

Text imageDateText(double date) {
    const text::DateParts d = text::partsOfDate(date);
    auto n = [](int v) { return text::toText(static_cast<int32_t>(v)); };
    return "创建日期：" + n(d.year) + "年" + n(d.month) + "月" + n(d.day) + "日" + n(d.hour) + ":" + n(d.minute);
}

void imageDetails(App& app, WindowId, int) {
    Platform& p = app.platform;
    const int current = static_cast<int>(p.getProp(kMain, ctl::列表框2, Prop::CurrentIndex));
    const Text path = p.listItem(kMain, ctl::列表框2, current);
    p.setText(kMain, ctl::透明标签2, "镜像名称：" + nameOf(path));
    p.setText(kMain, ctl::编辑框1, path);
    const Text image = p.getText(kMain, ctl::编辑框1);
    p.setText(kMain, ctl::透明标签3, imageSizeText(p.fileSize(image)));
    p.setText(kMain, ctl::透明标签4, imageDateText(p.fileModTime(image)));
    updateConfirmButton(app);
}

}  // namespace trivex
