// Our skin library for real: loaded from memory and attached, it colours
// the windows of the thread as the skin says (windows created later, message
// boxes included), leaves them alone when the skin is bad, and gives them
// back their own look when it is unloaded.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modload/skin_attach.h"
#include "modload/system_services.h"
#include "skin/skin_format.h"
#include "tests/modload/wine/beside_me.h"

namespace trivex::modload {
namespace {

COLORREF ref(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

void pump() {
    MSG msg;
    for (int i = 0; i < 5; ++i) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
}

COLORREF pixel(HWND h, int x, int y) {
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pump();
    HDC dc = GetDC(h);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(h, dc);
    return c;
}

class SkinWineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = "SkinTestWindow";
        RegisterClassA(&wc);
    }
    void SetUp() override {
        library = besideMe("trivex_skin.dll");
        skin = besideMe("trivex.skin");
        ASSERT_GT(library.size(), 1024u);
        ASSERT_TRUE(skin::parseSkin(skin.data(), static_cast<uint32_t>(skin.size()), colors));
        ASSERT_NE(systemServices(), nullptr);
        window = makeWindow(40);
    }
    void TearDown() override {
        module.reset();
        DestroyWindow(window);
    }
    HWND makeWindow(int y) {
        HWND w = CreateWindowExA(0, "SkinTestWindow", "skin test", WS_POPUP | WS_VISIBLE, 40, y, 300, 200,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        CreateWindowExA(0, "STATIC", "label", WS_CHILD | WS_VISIBLE, 10, 10, 120, 20, w, nullptr, nullptr, nullptr);
        button = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 100, 100, 40, w,
                                 nullptr, nullptr, nullptr);
        pump();
        return w;
    }
    void attach(const std::string& withSkin) {
        module = attachSkin(*systemServices(), {library.data(), static_cast<uint32_t>(library.size())},
                            {withSkin.data(), static_cast<uint32_t>(withSkin.size())});
        ASSERT_TRUE(module);
        pump();
    }

    std::string library, skin;
    skin::Colors colors{};
    std::unique_ptr<Module> module;
    HWND window = nullptr, button = nullptr;
};

TEST_F(SkinWineTest, TheSkinColoursWindowsLabelsAndButtons) {
    const COLORREF before = pixel(window, 200, 60);
    EXPECT_EQ(before, GetSysColor(COLOR_BTNFACE));
    attach(skin);
    EXPECT_EQ(pixel(window, 200, 60), ref(colors.window));     // window background
    EXPECT_EQ(pixel(window, 125, 15), ref(colors.window));     // the label's empty end
    EXPECT_EQ(pixel(button, 0, 0), ref(colors.buttonBorder));  // flat button: border
    EXPECT_EQ(pixel(button, 4, 4), ref(colors.button));        // and face

    // A window that appears later is skinned when it becomes active.
    HWND later = makeWindow(260);
    SetActiveWindow(later);
    EXPECT_EQ(pixel(later, 200, 60), ref(colors.window));
    DestroyWindow(later);

    // Unloading the library gives the windows their own look back.
    module.reset();
    EXPECT_EQ(pixel(window, 200, 60), before);
}

COLORREF g_boxPixel = CLR_INVALID;

BOOL CALLBACK inspectBox(HWND h, LPARAM) {
    char cls[16];
    if (IsWindowVisible(h) && GetClassNameA(h, cls, sizeof cls) && std::string(cls) == "#32770") {
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        HDC dc = GetDC(h);
        g_boxPixel = GetPixel(dc, 2, 2);
        ReleaseDC(h, dc);
        PostMessageA(h, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}

// Runs inside the box's modal loop; until the box is shown it looks again.
bool g_boxDone = false;
void CALLBACK whileBoxShows(HWND, UINT, UINT_PTR id, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), inspectBox, 0);
    if (g_boxPixel != CLR_INVALID) {
        KillTimer(nullptr, id);
        g_boxDone = true;
    }
}

TEST_F(SkinWineTest, MessageBoxesAreSkinnedToo) {
    attach(skin);
    g_boxPixel = CLR_INVALID;
    g_boxDone = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, whileBoxShows);
    MessageBoxA(nullptr, "skinned?", "test", MB_OK);
    if (!g_boxDone) KillTimer(nullptr, timer);
    EXPECT_EQ(g_boxPixel, ref(colors.window));
}

TEST_F(SkinWineTest, ABadSkinChangesNothing) {
    const COLORREF before = pixel(window, 200, 60), face = pixel(button, 4, 4);
    attach(std::string(".SHE\0\3", 6) + skin);
    EXPECT_EQ(pixel(window, 200, 60), before);
    EXPECT_EQ(pixel(button, 4, 4), face);
}

}  // namespace
}  // namespace trivex::modload
