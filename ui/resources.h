// Resource numbers shared by the layout tables and the Win32 resource script.
#pragma once

#define TRIVEX_ICON_ID 1
#define TRIVEX_PROMPT_PICTURE_ID 2

#ifdef __cplusplus
namespace trivex::ui {
constexpr int kIconResource = TRIVEX_ICON_ID;
constexpr int kPromptPictureResource = TRIVEX_PROMPT_PICTURE_ID;
}  // namespace trivex::ui
#endif
