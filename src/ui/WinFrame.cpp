#include "ui/WinFrame.h"

#include <vector>

namespace qm::ui {

namespace {

constexpr const wchar_t* kClassName = L"QuillmereWindow";

bool RegisterFramedClass(WNDPROC proc) {
    static const bool registered = [proc] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc) != 0;
    }();
    return registered;
}

HFONT LinkFont() {
    static const HFONT f = [] {
        LOGFONTW lf{};
        GetObjectW(GuiFont(), sizeof lf, &lf);
        lf.lfUnderline = TRUE;
        return CreateFontIndirectW(&lf);
    }();
    return f;
}

struct ModalSiblings {
    HWND self;
    std::vector<HWND> disabled;
};

BOOL CALLBACK DisableSibling(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<ModalSiblings*>(lp);
    if (w != s->self && GetWindow(w, GW_OWNER) != s->self && IsWindowVisible(w) && IsWindowEnabled(w)) {
        EnableWindow(w, FALSE);
        s->disabled.push_back(w);
    }
    return TRUE;
}

} // namespace

FramedWindow::~FramedWindow() { DestroyFramed(); }

bool FramedWindow::CreateFramed(const std::string& title, int width, int height, HWND owner, DWORD exStyle,
                                DWORD style) {
    if (hwnd_ || !RegisterFramedClass(&FramedWindow::Proc)) return hwnd_ != nullptr;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;
    CreateWindowExW(exStyle, kClassName, Utf8ToWide(title).c_str(), WS_POPUP | WS_CLIPCHILDREN | style, x, y, width,
                    height, owner, nullptr, GetModuleHandleW(nullptr), this);
    return hwnd_ != nullptr;
}

void FramedWindow::DestroyFramed() {
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CALLBACK FramedWindow::Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<FramedWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = w;
        SetWindowLongPtrW(w, GWLP_USERDATA, LONG_PTR(self));
    }
    auto* self = reinterpret_cast<FramedWindow*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (!self) return DefWindowProcW(w, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(w, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->tooltip_ = nullptr;
        self->tools_.clear();
        self->colors_.clear();
        self->pictures_.clear();
        self->modalDone_ = true;
        return DefWindowProcW(w, msg, wp, lp);
    }
    // Nothing may unwind through the window system.
    try {
        return self->OnMessage(msg, wp, lp);
    } catch (...) {
        return 0;
    }
}

LRESULT FramedWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
        // A press on the background moves the window as a grabbed title bar would.
        ReleaseCapture();
        SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETCURSOR: {
        // The logo and the links show that they open something.
        auto it = pictures_.find(GetDlgCtrlID(HWND(wp)));
        if (HWND(wp) != hwnd_ && it != pictures_.end() &&
            (it->second == Picture::Logo || it->second == Picture::Link)) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        return DefWindowProcW(hwnd_, msg, wp, lp);
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        RECT client;
        GetClientRect(hwnd_, &client);
        OnPaint(dc, client);
        EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HDC dc = HDC(wp);
        auto it = colors_.find(HWND(lp));
        const COLORREF text = it != colors_.end() ? it->second.first : GetSysColor(COLOR_WINDOWTEXT);
        const COLORREF back = it != colors_.end() ? it->second.second : kBackColor;
        SetTextColor(dc, text);
        SetBkColor(dc, back);
        return LRESULT(SolidBrushOf(back));
    }
    case WM_DRAWITEM: DrawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp)); return TRUE;
    case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp)); return 0;
    case WM_CLOSE: OnCloseRequest(); return 0;
    case kMsgShown:
        if (inModal_) OnShown();
        return 0;
    default: return DefWindowProcW(hwnd_, msg, wp, lp);
    }
}

void FramedWindow::OnPaint(HDC dc, const RECT& client) {
    FillRect(dc, &client, SolidBrushOf(kBackColor));
    if (!titleBand_) return;
    RECT band{client.left, client.top, client.right, client.top + TitleBandHeight()};
    FillRect(dc, &band, SolidBrushOf(kBandColor));
    HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_BRUSH));
    HPEN edge = CreatePen(PS_SOLID, 1, kBandColor);
    SelectObject(dc, edge);
    Rectangle(dc, client.left, client.top, client.right, client.bottom);
    SelectObject(dc, old);
    DeleteObject(edge);
}

HWND FramedWindow::AddControl(const wchar_t* cls, Ctl id, const std::string& text, DWORD style, int x, int y, int w,
                              int h, HFONT font, DWORD exStyle) {
    HWND c = CreateWindowExW(exStyle, cls, Utf8ToWide(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd_,
                             reinterpret_cast<HMENU>(INT_PTR(Id(id))), GetModuleHandleW(nullptr), nullptr);
    if (c) SendMessageW(c, WM_SETFONT, WPARAM(font), FALSE);
    return c;
}

HWND FramedWindow::AddButton(Ctl id, const std::string& text, int x, int y, int w, int h) {
    return AddControl(WC_BUTTONW, id, text, WS_TABSTOP | BS_PUSHBUTTON, x, y, w, h);
}

HWND FramedWindow::AddLabel(Ctl id, const std::string& text, int x, int y, int w, int h, DWORD style) {
    return AddControl(WC_STATICW, id, text, SS_NOTIFY | SS_NOPREFIX | style, x, y, w, h);
}

HWND FramedWindow::AddPicture(Ctl id, Picture kind, const std::string& text, int x, int y, int w, int h) {
    pictures_[Id(id)] = kind;
    return AddControl(WC_BUTTONW, id, text, BS_OWNERDRAW, x, y, w, h);
}

void FramedWindow::AddTitleBand(const std::string& title, int width) {
    titleBand_ = true;
    const int band = TitleBandHeight();
    HWND hint = AddControl(WC_STATICW, Ctl::labHint, title, SS_NOTIFY | SS_CENTERIMAGE, ScaledPixels(12), 0,
                           ScaledPixels(200), band, GuiBoldFont());
    SetColors(hint, RGB(255, 255, 255), kBandColor);
    HWND exit = AddPicture(Ctl::picExit, Picture::Close, "", width - ScaledPixels(28), ScaledPixels(4),
                           ScaledPixels(22), ScaledPixels(20));
    SetTooltip(exit, "关闭");
}

HWND FramedWindow::Tooltip() {
    if (!tooltip_ && hwnd_) {
        tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        // A width makes the tooltip break lines at "\n" (and wrap long ones).
        SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, ScaledPixels(720));
        SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
    }
    return tooltip_;
}

void FramedWindow::SetTooltip(HWND control, const std::string& text) {
    if (!control || !Tooltip()) return;
    std::wstring wide = Utf8ToWide(text);
    TOOLINFOW ti{};
    // The XP-sized structure: common controls 5 refuse the larger one.
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = UINT_PTR(control);
    ti.lpszText = wide.data();
    if (tools_.insert(control).second) SendMessageW(tooltip_, TTM_ADDTOOLW, 0, LPARAM(&ti));
    else SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, LPARAM(&ti));
}

void FramedWindow::SetColors(HWND control, COLORREF text, COLORREF back) {
    colors_[control] = {text, back};
    if (control) InvalidateRect(control, nullptr, TRUE);
}

void FramedWindow::DrawPicture(const DRAWITEMSTRUCT& d) {
    auto it = pictures_.find(int(d.CtlID));
    if (it == pictures_.end()) return;
    const bool enabled = !(d.itemState & ODS_DISABLED);
    const RECT& r = d.rcItem;
    switch (it->second) {
    case Picture::Close: DrawClosePicture(d.hDC, r, enabled); return;
    case Picture::Logo: DrawLogoPicture(d.hDC, r); return;
    case Picture::BandText:
    case Picture::Link: {
        const bool band = it->second == Picture::BandText;
        FillRect(d.hDC, &r, SolidBrushOf(band ? kBandColor : kBackColor));
        const std::wstring text = Utf8ToWide(WindowTextOf(d.hwndItem));
        HGDIOBJ old = SelectObject(d.hDC, band ? GuiFont() : LinkFont());
        SetBkMode(d.hDC, TRANSPARENT);
        SetTextColor(d.hDC, band ? RGB(255, 255, 255) : kLinkColor);
        RECT tr = r;
        DrawTextW(d.hDC, text.c_str(), int(text.size()), &tr,
                  (band ? DT_CENTER : DT_LEFT) | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(d.hDC, old);
        return;
    }
    }
}

void FramedWindow::RunModal() {
    if (!hwnd_ || inModal_) return;
    ModalSiblings siblings{hwnd_, {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableSibling, LPARAM(&siblings));
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    inModal_ = true;
    modalDone_ = false;
    PostMessageW(hwnd_, kMsgShown, 0, 0);
    MSG m;
    while (!modalDone_ && hwnd_) {
        const BOOL got = GetMessageW(&m, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(int(m.wParam)); // the outer loop must see it too
            break;
        }
        if (got == -1) break;
        if (hwnd_ && IsDialogMessageW(hwnd_, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    inModal_ = false;
    // The others first, so that activation goes back to one of them.
    for (HWND w : siblings.disabled)
        if (IsWindow(w)) EnableWindow(w, TRUE);
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

} // namespace qm::ui
