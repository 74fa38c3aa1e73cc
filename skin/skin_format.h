// The skin data of Trivex's own skin library: a short text that names the
// colours of the skinned windows.
//
//     trivex-skin 1
//     ; comment
//     window = D9E4F1        background of windows, prompts and group boxes
//     ...
//
// The first line that is not blank or a comment must be "trivex-skin 1".
// Every other such line is "key = RRGGBB" (six hex digits, spaces around
// "=" as you like, a ";" comment may follow). Every key below must be given
// exactly once; an unknown key, a malformed line, a zero byte or a text over
// 64 KB make the whole skin unusable.
//
// Freestanding: no library calls, so that the skin library links without a
// C runtime.
#pragma once

#include <stdint.h>

namespace trivex::skin {

struct Colors {
    uint32_t window;         // windows, prompts, group boxes
    uint32_t text;           // labels, check boxes, radio buttons
    uint32_t field;          // edit boxes and lists left at the system colour
    uint32_t fieldText;
    uint32_t button;         // push button face
    uint32_t buttonText;
    uint32_t buttonPressed;  // face while pressed
    uint32_t buttonBorder;
    uint32_t disabledText;   // push buttons that are disabled
    uint32_t status;         // status bar
};

constexpr uint32_t kMaxSkinSize = 64 * 1024;

// True when `data` is a complete, well-formed skin; `out` then holds its
// colours as 0xRRGGBB. On false `out` is unspecified.
bool parseSkin(const char* data, uint32_t size, Colors& out);

}  // namespace trivex::skin
