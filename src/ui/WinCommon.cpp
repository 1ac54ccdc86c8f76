#include "ui/WinCommon.h"

#include <atomic>
#include <cmath>
#include <map>

namespace qm::ui {

std::string WindowTextOf(HWND w) {
    const int n = GetWindowTextLengthW(w);
    std::wstring text(size_t(n) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(w, text.data(), n + 1)));
    return WideToUtf8(text);
}

void SetWindowTextOf(HWND w, const std::string& utf8) { SetWindowTextW(w, Utf8ToWide(utf8).c_str()); }

namespace {
std::atomic<int> gDpiOverride{0};
} // namespace

void OverrideScreenDpi(int dpi) { gDpiOverride = dpi > 0 ? dpi : 0; }

int ScreenDpi() {
    if (const int forced = gDpiOverride) return forced;
    static const int dpi = [] {
        HDC dc = GetDC(nullptr);
        const int d = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
        if (dc) ReleaseDC(nullptr, dc);
        return d > 0 ? d : 96;
    }();
    return dpi;
}

int TwipsToScreenPixels(float twips) { return int(std::lround(double(twips) * ScreenDpi() / 1440.0)); }

int ScaledPixels(int pixelsAt96) { return MulDiv(pixelsAt96, ScreenDpi(), 96); }

namespace {

LOGFONTW GuiLogFont() {
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    return lf;
}

} // namespace

HFONT GuiFont() { return HFONT(GetStockObject(DEFAULT_GUI_FONT)); }

HFONT GuiBoldFont() {
    static const HFONT f = [] {
        LOGFONTW lf = GuiLogFont();
        lf.lfWeight = FW_BOLD;
        return CreateFontIndirectW(&lf);
    }();
    return f;
}

HFONT CaptionFont() {
    static const HFONT f = [] {
        LOGFONTW lf{};
        lf.lfHeight = -MulDiv(9, ScreenDpi(), 72);
        lf.lfWeight = FW_BOLD;
        lf.lfCharSet = GB2312_CHARSET;
        lf.lfQuality = DEFAULT_QUALITY;
        wcscpy(lf.lfFaceName, L"宋体");
        return CreateFontIndirectW(&lf);
    }();
    return f;
}

double GuiFontPointSize() {
    const LOGFONTW lf = GuiLogFont();
    const double height = std::abs(double(lf.lfHeight));
    return height > 0 ? height * 72.0 / ScreenDpi() : 9.0;
}

HFONT GuiFontOfSize(int points) {
    static std::map<int, HFONT> fonts;
    HFONT& f = fonts[points];
    if (!f) {
        LOGFONTW lf = GuiLogFont();
        lf.lfHeight = -MulDiv(points, ScreenDpi(), 72);
        lf.lfWidth = 0;
        f = CreateFontIndirectW(&lf);
    }
    return f;
}

HBRUSH SolidBrushOf(COLORREF c) {
    static std::map<COLORREF, HBRUSH> brushes;
    HBRUSH& b = brushes[c];
    if (!b) b = CreateSolidBrush(c);
    return b;
}

void DrawClosePicture(HDC dc, const RECT& r, bool enabled) {
    FillRect(dc, &r, SolidBrushOf(kBandColor));
    const int w = r.right - r.left, h = r.bottom - r.top;
    HGDIOBJ oldBrush = SelectObject(dc, SolidBrushOf(enabled ? RGB(196, 43, 28) : RGB(150, 150, 150)));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    RoundRect(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, 5, 5);
    HPEN cross = CreatePen(PS_SOLID, 2, RGB(255, 255, 255));
    SelectObject(dc, cross);
    const int m = (w < h ? w : h) * 3 / 10;
    MoveToEx(dc, r.left + m, r.top + m, nullptr);
    LineTo(dc, r.right - m, r.bottom - m);
    MoveToEx(dc, r.right - m - 1, r.top + m, nullptr);
    LineTo(dc, r.left + m - 1, r.bottom - m);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(cross);
}

void DrawLogoPicture(HDC dc, const RECT& r) {
    FillRect(dc, &r, SolidBrushOf(kBackColor));
    const int s = r.right - r.left;
    HGDIOBJ oldBrush = SelectObject(dc, SolidBrushOf(RGB(32, 96, 168)));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
    // A quill: a slanted leaf with its nib at the lower left.
    const POINT quill[] = {{r.left + s * 30 / 100, r.top + s * 75 / 100},
                           {r.left + s * 50 / 100, r.top + s * 38 / 100},
                           {r.left + s * 76 / 100, r.top + s * 22 / 100},
                           {r.left + s * 58 / 100, r.top + s * 50 / 100}};
    SelectObject(dc, SolidBrushOf(RGB(255, 255, 255)));
    Polygon(dc, quill, 4);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

} // namespace qm::ui
