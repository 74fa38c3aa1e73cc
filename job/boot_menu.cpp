#include "job/boot_menu.h"

#include "app/app.h"
#include "job/files.h"
#include "platform/lines.h"
#include "platform/text.h"

namespace trivex::job {

namespace {
constexpr char kLoaderSection[] = "[boot loader]\r\ntimeout=2\r\ndefault=C:\\grldr\r\n";
constexpr char kMenuEntry[] = "C:\\grldr=Trivex Ghost";
constexpr char kRedirectedDefault[] = "default=C:\\grldr";
constexpr char kCrLf[] = "\r\n";
constexpr int kHidden = 1;
// A boot menu is a few lines; reading stops long before a stray large file ends.
constexpr int kMaxMenuLines = 4096;

bool equalIgnoringCase(const Text& a, const Text& b) { return a.size() == b.size() && text::find(a, b, 1, true) == 1; }
}  // namespace

Text attribCommand(const Text& path, uint32_t bits, bool on) {
    const char sign = on ? '+' : '-';
    Text cmd = "attrib " + path;
    if (bits & kAttrReadOnly) cmd += Text(" ") + sign + "r";
    if (bits & kAttrHidden) cmd += Text(" ") + sign + "h";
    if (bits & kAttrSystem) cmd += Text(" ") + sign + "s";
    return cmd;
}

bool setProtection(Platform& p, const Text& path, uint32_t bits, bool on) {
    bits &= kProtection;
    p.runCommandLine(attribCommand(path, bits, on), true, kHidden);
    const int64_t now = p.fileAttributes(path);
    if (now < 0) return false;
    return (static_cast<uint32_t>(now) & bits) == (on ? bits : 0u);
}

bool isFile(Platform& p, const Text& path) {
    const int64_t a = p.fileAttributes(path);
    return a >= 0 && (a & kAttrDirectory) == 0;
}

std::optional<Text> readWholeFile(Platform& p, const Text& path) {
    std::unique_ptr<RawFile> f = p.openRaw(path, kModeRead, kShareAll);
    if (!f) return std::nullopt;
    Text all;
    char buf[65536];
    for (;;) {
        const int32_t got = f->read(buf, sizeof buf);
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        all.append(buf, static_cast<size_t>(got));
    }
    return all;
}

bool isRedirected(App& app, const Text& path) {
    const int n = app.files.open(path, kModeRead, kShareAll);
    if (n == 0) return false;
    bool found = false;
    for (int i = 0; i < kMaxMenuLines && !found && !app.files.atEnd(n, 1); ++i)
        found = equalIgnoringCase(text::trimTrailing(text::trimLeading(app.files.readLine(n))), kRedirectedDefault);
    app.files.close(n);
    return found;
}

void saveBootMenu(App& app) {
    Platform& p = app.platform;
    if (!isRedirected(app, kBootIni)) p.copyFile(kBootIni, kBootBak);
    p.runCommandLine(attribCommand(kBootIni, kProtection, false), false, kHidden);
}

Text redirectedMenu(const Text& line4, const Text& line5, const Text& line6, const Text& line7) {
    return kLoaderSection + line4 + kCrLf + line5 + kCrLf + line6 + kCrLf + line7 + kCrLf + kMenuEntry;
}

bool redirectBootMenu(App& app) {
    LineFiles& files = app.files;
    const int n = files.open(kBootIni, kModeReadWrite, kShareAll);
    // Without the old lines the new menu would lose the system entries.
    if (n == 0) return false;
    files.rewind(n);
    for (int i = 0; i < 3; ++i) files.readLine(n);
    const Text line4 = files.readLine(n);
    const Text line5 = files.readLine(n);
    const Text line6 = files.readLine(n);
    const Text line7 = files.readLine(n);
    files.close(n);
    return app.platform.writeFile(kBootIni, {bytesOf(redirectedMenu(line4, line5, line6, line7))});
}

void dropRedirectedMenu(Platform& p) {
    if (isFile(p, kBootBak)) p.deleteFile(kBootIni);
}

bool putSavedMenuBack(Platform& p) { return p.renameFile(kBootBak, kBootIni); }

void restoreBootMenu(Platform& p) {
    dropRedirectedMenu(p);
    putSavedMenuBack(p);
}

}  // namespace trivex::job
