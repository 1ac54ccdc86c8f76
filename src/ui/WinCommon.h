#pragma once
// What the Win32 windows share: window texts in UTF-8, the screen's DPI, fonts that show Chinese on
// XP and later, and the drawn artwork (close picture, logo).
#include "platform/Text.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>

namespace qm::ui {

std::string WindowTextOf(HWND w);
void SetWindowTextOf(HWND w, const std::string& utf8);

// The screen's DPI (96 when the system gives none) and conversions to pixels at it.
int ScreenDpi();
// Windows made from now on are laid out for `dpi` instead (0: the screen's own again), so another
// scale can be tried where the system's cannot be changed, as in the window tests under Wine.
void OverrideScreenDpi(int dpi);
int TwipsToScreenPixels(float twips);
// A length given in pixels at 96 DPI, scaled to this screen.
int ScaledPixels(int pixelsAt96);

// The system GUI font (DEFAULT_GUI_FONT) and a bold version of it; the main window's caption font
// (宋体, 9 point, bold, GB2312 character set); the GUI face at a point size. Made once, kept for the
// process.
HFONT GuiFont();
HFONT GuiBoldFont();
HFONT CaptionFont();
HFONT GuiFontOfSize(int points);
// The GUI font's size in points, as a fractional value.
double GuiFontPointSize();

// The band colour of the drawn frames and title bands, and the windows' background.
inline constexpr COLORREF kBandColor = RGB(40, 90, 160);
inline constexpr COLORREF kBackColor = RGB(240, 243, 247);
inline constexpr COLORREF kLinkColor = RGB(26, 86, 168);
// One solid brush per colour, kept for the process.
HBRUSH SolidBrushOf(COLORREF c);

void DrawClosePicture(HDC dc, const RECT& r, bool enabled);
void DrawLogoPicture(HDC dc, const RECT& r);

} // namespace qm::ui
