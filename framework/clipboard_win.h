#pragma once
#include <windows.h>

#include <string_view>

#include "framework/gdi_objects_win.h"

namespace velmar {

// Each replaces the clipboard's contents; false when the clipboard could not be had. The
// clipboard owns what it has taken.
bool PutBitmapOnClipboard(HWND owner, UniqueBitmap bitmap);
bool PutTextOnClipboard(HWND owner, std::wstring_view text);

}  // namespace velmar
