#include "ui/FrmMsg.h"

namespace qm::ui {

std::function<void(FrmMsg&)> FrmMsg::shownHook;

namespace {

constexpr int kWidth = 380;
constexpr int kHeight = 190;

} // namespace

void FrmMsg::Build() {
    const int w = ScaledPixels(kWidth), h = ScaledPixels(kHeight), band = TitleBandHeight();
    // Owned by whichever window of the tool is active, so that it stays in front of it.
    if (!CreateFramed("提示", w, h, GetActiveWindow())) return;
    AddTitleBand("提示", w);
    const struct {
        Ctl id;
        const wchar_t* icon;
    } icons[] = {{Ctl::picWarm, IDI_WARNING}, {Ctl::picQuery, IDI_QUESTION}, {Ctl::picError, IDI_ERROR}};
    for (const auto& i : icons) {
        HWND pic = AddControl(WC_STATICW, i.id, "", SS_ICON | SS_NOTIFY, ScaledPixels(18), band + ScaledPixels(22),
                              ScaledPixels(32), ScaledPixels(32));
        SendMessageW(pic, STM_SETICON, WPARAM(LoadIconW(nullptr, i.icon)), 0);
    }
    AddControl(WC_EDITW, Ctl::txtMessage, "", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, ScaledPixels(64),
               band + ScaledPixels(14), w - ScaledPixels(80), h - band - ScaledPixels(64));
    const int top = h - ScaledPixels(40), bw = ScaledPixels(72), bh = ScaledPixels(26);
    AddButton(Ctl::cmdConfirm, "确定", w - ScaledPixels(90), top, bw, bh);
    AddButton(Ctl::cmdYes, "是", w - ScaledPixels(170), top, bw, bh);
    AddButton(Ctl::cmdNo, "否", w - ScaledPixels(90), top, bw, bh);
}

int FrmMsg::ShowMsg(int inValue, const std::string& message) {
    const bool open = InModal();
    if (!Hwnd()) Build();
    state_.Take(inValue, message, GuiFontPointSize(), GetSysColor(COLOR_WINDOWTEXT));
    if (!Hwnd()) return 0;

    for (Ctl c : {Ctl::picWarm, Ctl::picQuery, Ctl::picError, Ctl::cmdConfirm, Ctl::cmdYes, Ctl::cmdNo})
        ShowControl(Control(c), false);
    HWND text = Control(Ctl::txtMessage);
    SetWindowTextOf(text, state_.cMsgText);
    SendMessageW(text, WM_SETFONT, WPARAM(GuiFontOfSize(state_.iMsgFontSize > 0 ? state_.iMsgFontSize : 9)), TRUE);
    SetColors(text, COLORREF(state_.lMsgForeColor), kBackColor);

    const MsgLook look = LookForKind(state_.iMsgType);
    ShowControl(Control(Ctl::picWarm), look.picture == MsgPicture::Warning);
    ShowControl(Control(Ctl::picQuery), look.picture == MsgPicture::Question);
    ShowControl(Control(Ctl::picError), look.picture == MsgPicture::Error);
    ShowControl(Control(Ctl::cmdConfirm), look.confirm);
    ShowControl(Control(Ctl::cmdYes), look.yesNo);
    ShowControl(Control(Ctl::cmdNo), look.yesNo);

    // A nested call while the window is open only changes what it shows.
    if (open) return 0;
    RunModal();
    DestroyFramed();
    return state_.iMsgResult;
}

HWND FrmMsg::DefaultButton() const {
    for (Ctl c : {Ctl::cmdConfirm, Ctl::cmdYes})
        if (IsWindowVisible(Control(c))) return Control(c);
    return nullptr;
}

void FrmMsg::OnShown() {
    if (HWND b = DefaultButton()) SetFocus(b);
    if (shownHook) shownHook(*this);
}

void FrmMsg::Answer(int result) {
    state_.iMsgResult = int16_t(result);
    EndModal();
}

void FrmMsg::OnCommand(int id, int code) {
    if (code != BN_CLICKED && code != STN_CLICKED) return;
    if (id == IDOK) {
        // Enter: the button that is there to confirm.
        if (HWND b = DefaultButton()) id = GetDlgCtrlID(b);
    }
    switch (Ctl(id)) {
    case Ctl::cmdConfirm: Answer(kResultConfirm); return;
    case Ctl::cmdYes: Answer(kResultYes); return;
    case Ctl::cmdNo: Answer(kResultNo); return;
    case Ctl::picExit: EndModal(); return;
    default:
        if (id == IDCANCEL) EndModal(); // Escape: as the close picture
        return;
    }
}

} // namespace qm::ui
