#include "tests/wine/inspect/inspect_core.h"

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstring>

namespace trivex::inspect {
namespace {

// Every message to the target waits at most this long: a hung target makes
// the answer empty instead of hanging the inspector.
constexpr UINT kSendTimeoutMs = 5000;

LRESULT send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool* ok = nullptr) {
    DWORD_PTR result = 0;
    LRESULT sent = SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    if (ok) *ok = sent != 0;
    return sent ? static_cast<LRESULT>(result) : 0;
}

std::string className(HWND hwnd) {
    char buf[256] = {};
    int n = GetClassNameA(hwnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

bool sameClass(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

// A block of memory inside the target process, for the common-control
// messages whose buffers the system does not copy between processes.
class RemoteBlock {
public:
    RemoteBlock(HWND owner, SIZE_T size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBlock() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool valid() const { return address_ != nullptr; }
    LPARAM param() const { return reinterpret_cast<LPARAM>(address_); }
    bool clear() {
        std::string zeros(size_, '\0');
        SIZE_T done = 0;
        return WriteProcessMemory(process_, address_, zeros.data(), size_, &done) && done == size_;
    }
    bool read(void* to, SIZE_T n) const {
        SIZE_T done = 0;
        return n <= size_ && ReadProcessMemory(process_, address_, to, n, &done) && done == n;
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    SIZE_T size_;
};

// Texts are asked for in UTF-16 and turned into the ANSI code page here:
// Wine hands list-box and combo-box item texts to another process in UTF-16
// even when they are asked for as ANSI. The program set them as GBK, and
// GBK -> UTF-16 -> GBK gives back the same bytes.
std::string toAnsi(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

LRESULT sendW(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)
               ? static_cast<LRESULT>(result) : 0;
}

// A text whose length comes from `lenMsg` and whose characters from `textMsg`.
std::string readText(HWND hwnd, UINT lenMsg, UINT textMsg, WPARAM index, bool sizeInWParam) {
    LRESULT len = sendW(hwnd, lenMsg, index, 0);
    if (len <= 0 || len > 1 << 20) return {};
    std::wstring buf(static_cast<size_t>(len) + 1, L'\0');
    LRESULT got = sendW(hwnd, textMsg, sizeInWParam ? buf.size() : index,
                        reinterpret_cast<LPARAM>(buf.data()));
    if (got <= 0) return {};
    buf.resize(std::min<size_t>(static_cast<size_t>(got), buf.size() - 1));
    return toAnsi(buf);
}

// Item texts and current item of a list box or combo box.
void readItems(HWND hwnd, UINT countMsg, UINT lenMsg, UINT textMsg, UINT curMsg, Control& c) {
    c.hasItems = true;
    LRESULT count = send(hwnd, countMsg, 0, 0);
    for (LRESULT i = 0; i < count && i < 10000; ++i) c.items.push_back(readText(hwnd, lenMsg, textMsg, i, false));
    c.current = static_cast<int>(send(hwnd, curMsg, 0, 0));
}

void readStatusBar(HWND hwnd, Control& c) {
    constexpr SIZE_T kTextMax = 4096;
    RemoteBlock block(hwnd, kTextMax + 1);
    if (!block.valid()) return;
    int edges[256] = {};
    if (!block.clear()) return;
    LRESULT parts = send(hwnd, SB_GETPARTS, 256, block.param());
    if (parts < 0 || parts > 256 || !block.read(edges, sizeof edges)) return;
    for (LRESULT i = 0; i < parts; ++i) {
        c.partEdges.push_back(edges[i]);
        // The text ends at its zero byte (Wine's length counts UTF-16 units).
        std::string text;
        LRESULT len = LOWORD(send(hwnd, SB_GETTEXTLENGTHA, i, 0));
        if (len > 0 && static_cast<SIZE_T>(len) * 2 < kTextMax && block.clear()) {
            send(hwnd, SB_GETTEXTA, i, block.param());
            text.assign(static_cast<size_t>(len) * 2, '\0');
            if (block.read(text.data(), text.size()))
                text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
            else
                text.clear();
        }
        c.panels.push_back(text);
    }
}

bool isCheckOrRadio(DWORD style) {
    switch (style & BS_TYPEMASK) {
        case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_3STATE: case BS_AUTO3STATE:
        case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON:
            return true;
    }
    return false;
}

std::vector<HWND> directChildren(HWND parent) {
    std::vector<HWND> out;
    for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) out.push_back(h);
    return out;
}

void sortByPosition(std::vector<Control>& v) {
    std::stable_sort(v.begin(), v.end(), [](const Control& a, const Control& b) {
        if (a.y != b.y) return a.y < b.y;
        if (a.x != b.x) return a.x < b.x;
        return a.cls < b.cls;
    });
}

Control readControl(HWND hwnd, HWND parent, int depth, bool contents) {
    Control c;
    c.hwnd = hwnd;
    c.depth = depth;
    c.cls = className(hwnd);
    c.style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    c.visible = (c.style & WS_VISIBLE) != 0;
    c.enabled = IsWindowEnabled(hwnd) != 0;
    RECT r{};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    c.x = r.left;
    c.y = r.top;
    c.w = r.right - r.left;
    c.h = r.bottom - r.top;

    if (!contents) {
        if (sameClass(c.cls, "ComboBox")) return c;
    } else if (sameClass(c.cls, STATUSCLASSNAMEA)) {
        readStatusBar(hwnd, c);
    } else {
        c.text = windowText(hwnd);
    }
    if (contents && sameClass(c.cls, "Button") && isCheckOrRadio(c.style))
        c.checked = static_cast<int>(send(hwnd, BM_GETCHECK, 0, 0));
    if (contents && sameClass(c.cls, "ListBox"))
        readItems(hwnd, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT, LB_GETCURSEL, c);
    if (contents && sameClass(c.cls, "ComboBox")) {
        readItems(hwnd, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_GETCURSEL, c);
        RECT dropped{};
        bool ok = false;
        send(hwnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped), &ok);
        if (ok) c.droppedHeight = dropped.bottom - dropped.top;
        return c;  // its edit field and list belong to it
    }
    for (HWND child : directChildren(hwnd)) c.children.push_back(readControl(child, hwnd, depth + 1, contents));
    sortByPosition(c.children);
    return c;
}

struct FindState {
    const std::string* title;
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<FindState*>(lp);
    if (s->pid) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid != s->pid) return TRUE;
    }
    char buf[512] = {};
    int n = GetWindowTextA(hwnd, buf, sizeof buf);
    if (n >= 0 && std::string(buf, n) == *s->title) s->found.push_back(hwnd);
    return TRUE;
}

void appendQuoted(std::string& out, const std::vector<std::string>& lines, const char* word,
                  int depth) {
    for (size_t i = 0; i < lines.size(); ++i) {
        out += '\n';
        out.append(static_cast<size_t>(depth) * 2 + 2, ' ');
        out += word;
        out += ' ' + std::to_string(i) + ' ' + quoted(lines[i]);
    }
}

}  // namespace

std::string windowText(HWND hwnd) { return readText(hwnd, WM_GETTEXTLENGTH, WM_GETTEXT, 0, true); }

std::vector<HWND> findWindows(const std::string& title, DWORD pid) {
    FindState s{&title, pid, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND findWindow(const std::string& title, DWORD pid) {
    std::vector<HWND> all = findWindows(title, pid);
    for (HWND h : all)
        if (IsWindowVisible(h)) return h;
    return all.empty() ? nullptr : all.front();
}

Window inspectWindow(HWND hwnd, bool contents) {
    Window w;
    w.hwnd = hwnd;
    GetWindowThreadProcessId(hwnd, &w.pid);
    w.cls = className(hwnd);
    if (contents) w.title = windowText(hwnd);
    w.visible = IsWindowVisible(hwnd) != 0;
    w.enabled = IsWindowEnabled(hwnd) != 0;
    w.style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    GetWindowRect(hwnd, &w.rect);
    RECT client{};
    GetClientRect(hwnd, &client);
    w.clientW = client.right;
    w.clientH = client.bottom;
    for (HWND child : directChildren(hwnd)) w.children.push_back(readControl(child, hwnd, 1, contents));
    sortByPosition(w.children);
    return w;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char ch : text) {
        switch (ch) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            default:
                if (ch < 0x20 || ch == 0x7F) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", ch);
                    out += hex;
                } else {
                    out += static_cast<char>(ch);
                }
        }
    }
    return out + "\"";
}

std::string describe(const Window& w) {
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  " class=%s visible=%d enabled=%d at=%ld,%ld size=%ldx%ld client=%dx%d"
                  " maximizebox=%d minimizebox=%d sysmenu=%d thickframe=%d",
                  w.cls.c_str(), w.visible, w.enabled, w.rect.left, w.rect.top,
                  w.rect.right - w.rect.left, w.rect.bottom - w.rect.top, w.clientW, w.clientH,
                  (w.style & WS_MAXIMIZEBOX) != 0, (w.style & WS_MINIMIZEBOX) != 0,
                  (w.style & WS_SYSMENU) != 0, (w.style & WS_THICKFRAME) != 0);
    return "window " + quoted(w.title) + buf;
}

std::string describe(const Control& c) {
    std::string out(static_cast<size_t>(c.depth - 1) * 2, ' ');
    out += std::to_string(c.depth) + ' ' + c.cls;
    if (c.panels.empty() && c.partEdges.empty()) out += ' ' + quoted(c.text);
    out += " visible=" + std::to_string(c.visible) + " enabled=" + std::to_string(c.enabled);
    if (c.checked >= 0) out += " checked=" + std::to_string(c.checked);
    char geo[96];
    std::snprintf(geo, sizeof geo, " at=%d,%d size=%dx%d", c.x, c.y, c.w, c.h);
    out += geo;
    if (c.hasItems) out += " current=" + std::to_string(c.current) + " items=" + std::to_string(c.items.size());
    if (c.droppedHeight >= 0) out += " droplist=" + std::to_string(c.droppedHeight);
    if (!c.partEdges.empty()) {
        out += " parts=";
        for (size_t i = 0; i < c.partEdges.size(); ++i)
            out += (i ? "," : "") + std::to_string(c.partEdges[i]);
        out += std::string(" grip=") + ((c.style & SBARS_SIZEGRIP) ? "1" : "0");
    }
    appendQuoted(out, c.items, "item", c.depth);
    appendQuoted(out, c.panels, "panel", c.depth);
    return out;
}

void printTree(FILE* out, const Window& w) {
    std::fprintf(out, "%s\n", describe(w).c_str());
    auto walk = [out](const auto& self, const std::vector<Control>& v) -> void {
        for (const Control& c : v) {
            std::fprintf(out, "%s\n", describe(c).c_str());
            self(self, c.children);
        }
    };
    walk(walk, w.children);
    std::fflush(out);
}

void binaryStdio() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace trivex::inspect
