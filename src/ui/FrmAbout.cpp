#include "ui/FrmAbout.h"

namespace qm::ui {

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 260;

constexpr const char* kDefaultName = "未命名";
constexpr const char* kDefaultVersion = "V1.0";
// Without a maker address the line shows, and a click opens, the default page.
constexpr const char* kDefaultMaker = kDefaultWebPage;
constexpr const char* kDefaultCopyright = "版权所有 (C) Quillmere";
constexpr const char* kDefaultWarning =
    "警告：本软件受著作权法和国际条约保护。未经许可，擅自复制、传播本软件的全部或部分，"
    "将依法承担相应的法律责任。修复前请先备份数据库文件。";

} // namespace

bool OpenUrl(std::string& address, HWND owner, Shell& shell) {
    (void)owner; // the shell adapter opens without an owner window
    if (address.empty()) address = kDefaultWebPage;
    if (!address.empty()) shell.Open(address);
    return true;
}

void FrmAbout::Build(HWND owner) {
    const int w = ScaledPixels(kWidth), h = ScaledPixels(kHeight), band = TitleBandHeight();
    if (!CreateFramed("关于", w, h, owner)) return;
    AddTitleBand("关于", w);
    const auto px = ScaledPixels;
    AddPicture(Ctl::imgLogo, Picture::Logo, "", px(20), band + px(16), px(48), px(48));
    AddControl(WC_STATICW, Ctl::LabToolText, "", SS_NOTIFY | SS_NOPREFIX, px(84), band + px(14), w - px(100), px(26),
               GuiFontOfSize(12));
    AddPicture(Ctl::labMaker, Picture::Link, "", px(84), band + px(42), w - px(100), px(20));
    AddControl(WC_STATICW, Ctl::Label1, "版权信息", SS_NOTIFY, px(20), band + px(80), px(120), px(20), GuiBoldFont());
    AddLabel(Ctl::labCopyRight, "", px(20), band + px(102), w - px(40), px(20));
    AddControl(WC_EDITW, Ctl::txtMessage, "", ES_MULTILINE | ES_READONLY | WS_VSCROLL, px(20), band + px(128),
               w - px(40), h - band - px(144), GuiFont(), WS_EX_CLIENTEDGE);
}

void FrmAbout::Open(HWND owner) {
    if (!Hwnd()) Build(owner);
    if (cAboutName.empty()) cAboutName = kDefaultName;
    if (cAboutVersion.empty()) cAboutVersion = kDefaultVersion;
    if (cAboutMaker.empty()) cAboutMaker = kDefaultMaker;
    if (cAboutCopyright.empty()) cAboutCopyright = kDefaultCopyright;
    if (cAboutWarning.empty()) cAboutWarning = kDefaultWarning;
    SetWindowTextOf(Control(Ctl::LabToolText), cAboutName + cAboutVersion);
    SetWindowTextOf(Control(Ctl::labMaker), cAboutMaker);
    SetWindowTextOf(Control(Ctl::labCopyRight), cAboutCopyright);
    SetWindowTextOf(Control(Ctl::txtMessage), cAboutWarning);
    ShowWindow(Hwnd(), SW_SHOW);
    SetForegroundWindow(Hwnd());
}

void FrmAbout::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    if (id == Id(Ctl::imgLogo) || id == Id(Ctl::labMaker)) OpenUrl(cAboutMaker, Hwnd(), shell_);
    if (id == Id(Ctl::picExit) || id == IDCANCEL) DestroyFramed();
}

} // namespace qm::ui
