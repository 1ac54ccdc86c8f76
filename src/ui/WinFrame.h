#pragma once
// The base of the tool's windows: a popup window without a system frame that draws its own, is moved
// by dragging its background, carries its controls by id (ControlIds.h), their tooltips and colours,
// and can run modally. Each window derives from it and handles its own messages.
#include "ui/ControlIds.h"
#include "ui/WinCommon.h"

#include <map>
#include <set>
#include <string>

namespace qm::ui {

// Private messages, per window kind, above WM_APP (WM_USER values clash with the dialog manager's).
inline constexpr UINT kMsgShown = WM_APP + 1;         // a modal window is up
inline constexpr UINT kMsgLoad = WM_APP + 10;         // main window: first shown, load now
inline constexpr UINT kMsgRunEvent = WM_APP + 11;     // main window: lParam a heap RunEvent of the repair run
inline constexpr UINT kMsgPreviewEvent = WM_APP + 12; // main window: lParam a heap RunEvent of the preview
inline constexpr UINT kMsgLoginDone = WM_APP + 20;    // login dialog: wParam the finished attempt's number

// Pictures drawn by their window; they act as push buttons (BM_CLICK, BN_CLICKED).
enum class Picture { Close, Logo, BandText, Link };

// A derived window destroys its window in its own destructor (DestroyFramed), while its handlers still
// exist: destroying a window sends messages to it.
class FramedWindow {
public:
    virtual ~FramedWindow();
    FramedWindow(const FramedWindow&) = delete;
    FramedWindow& operator=(const FramedWindow&) = delete;

    HWND Hwnd() const { return hwnd_; }
    // The height of a dialog's drawn title band, in pixels at this screen.
    static int TitleBandHeight() { return ScaledPixels(28); }

protected:
    FramedWindow() = default;

    // Creates the hidden window, `width` × `height` pixels, centred on the work area.
    bool CreateFramed(const std::string& title, int width, int height, HWND owner, DWORD exStyle = 0, DWORD style = 0);
    void DestroyFramed();

    // Handles one message; the base answers dragging, painting, colours, drawn pictures and commands.
    virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    virtual void OnCommand(int /*id*/, int /*code*/) {}
    // The window system asks the window to close (Alt+F4).
    virtual void OnCloseRequest() {}
    // Fills the background and, when the window has one, the title band.
    virtual void OnPaint(HDC dc, const RECT& client);
    // Once a modal window is up and its loop runs.
    virtual void OnShown() {}

    HWND AddControl(const wchar_t* cls, Ctl id, const std::string& text, DWORD style, int x, int y, int w, int h,
                    HFONT font = GuiFont(), DWORD exStyle = 0);
    HWND AddButton(Ctl id, const std::string& text, int x, int y, int w, int h);
    // Labels take their own clicks (SS_NOTIFY), so a press on one never moves the window.
    HWND AddLabel(Ctl id, const std::string& text, int x, int y, int w, int h, DWORD style = SS_LEFT);
    HWND AddPicture(Ctl id, Picture kind, const std::string& text, int x, int y, int w, int h);
    // The dialogs' title band: labHint with `title`, and the close picture picExit at the right.
    void AddTitleBand(const std::string& title, int width);

    void SetTooltip(HWND control, const std::string& text);
    void SetColors(HWND control, COLORREF text, COLORREF back);
    HWND Control(Ctl id) const { return GetDlgItem(hwnd_, Id(id)); }
    void ShowControl(HWND control, bool visible) { ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE); }
    HWND Tooltip();

    // Shows the window and runs its own message loop until EndModal(); the thread's other windows take
    // no input meanwhile.
    void RunModal();
    void EndModal() { modalDone_ = true; }
    bool InModal() const { return inModal_; }

private:
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    void DrawPicture(const DRAWITEMSTRUCT& d);

    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    bool titleBand_ = false;
    bool modalDone_ = true;
    bool inModal_ = false;
    std::set<HWND> tools_;
    std::map<HWND, std::pair<COLORREF, COLORREF>> colors_;
    std::map<int, Picture> pictures_;
};

} // namespace qm::ui
