#include "ui/FrmPreview.h"

namespace qm::ui {

namespace {

constexpr int kWidth = 760;
constexpr int kHeight = 520;

} // namespace

void FrmPreview::Build(HWND owner) {
    const auto px = ScaledPixels;
    const int w = px(kWidth), h = px(kHeight), band = TitleBandHeight();
    if (!CreateFramed("预览", w, h, owner)) return;
    AddTitleBand("预览", w);
    // Read-only, not disabled: the text can be selected and copied (Ctrl+C, the context menu).
    HWND text =
        AddControl(WC_EDITW, Ctl::txtMessage, "",
                   ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                   px(12), band + px(10), w - px(24), h - band - px(62), GuiFont(), WS_EX_CLIENTEDGE);
    // A multiline edit takes about 32,000 characters unless told otherwise; a thousand rows give more.
    SendMessageW(text, EM_SETLIMITTEXT, 0, 0);
    AddButton(Ctl::cmdCopy, "复制全部", w - px(12 + 80 + 10 + 80), h - px(40), px(80), px(26));
    AddButton(Ctl::cmdCancel, "关闭", w - px(12 + 80), h - px(40), px(80), px(26));
}

void FrmPreview::Open(HWND owner, const std::string& text) {
    if (!Hwnd()) Build(owner);
    SetWindowTextOf(Control(Ctl::txtMessage), text);
    ShowWindow(Hwnd(), SW_SHOW);
    SetForegroundWindow(Hwnd());
}

void FrmPreview::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    if (id == Id(Ctl::cmdCopy)) {
        HWND text = Control(Ctl::txtMessage);
        SendMessageW(text, EM_SETSEL, 0, -1);
        SendMessageW(text, WM_COPY, 0, 0);
    }
    if (id == Id(Ctl::cmdCancel) || id == Id(Ctl::picExit) || id == IDCANCEL) DestroyFramed();
}

} // namespace qm::ui
