#include "ui/FrmMain.h"

#include "platform/Paths.h"
#include "platform/SystemServices.h"
#include "repair/Findings.h"
#include "ui/GridActions.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace qm::ui {

namespace {

int CurrentYear(AppState& app) {
    const std::tm local = LocalTime(app.platform.clock->Now());
    return local.tm_year ? local.tm_year + 1900 : 2000; // 2000 when the system gives no local time
}

COLORREF ToColorRef(const Rgb& c) { return RGB(c.r, c.g, c.b); }

RECT ToPixels(const TwipsRect& r) {
    const int left = TwipsToScreenPixels(r.left), top = TwipsToScreenPixels(r.top);
    return {left, top, left + TwipsToScreenPixels(r.width), top + TwipsToScreenPixels(r.height)};
}

// The buttons of the window, with their captions; all but 停止 rest while a run goes.
constexpr struct {
    Ctl id;
    const char* text;
} kButtons[] = {{Ctl::cmdSelect, "全选"}, {Ctl::cmdClear, "全清"},   {Ctl::cmdShowAll, "刷新全部"},
                {Ctl::cmdBrush, "刷新"},  {Ctl::cmdConfirm, "确定"}, {Ctl::cmdCancel, "取消"},
                {Ctl::cmdStop, "停止"},   {Ctl::cmdPreview, "预览"}};

} // namespace

FrmMain::FrmMain(AppState& app, MainModel& model, EngineOps ops)
    : app_(app), model_(model), ops_(std::move(ops)), shell_(*app.platform.shell) {
    endTool_ = [this] {
        ShowWindow(Hwnd(), SW_HIDE);
        PostQuitMessage(0);
    };
    const int w = TwipsToScreenPixels(kMainWidthTwips), h = TwipsToScreenPixels(kMainHeightTwips);
    if (!CreateFramed("Quillmere", w, h, nullptr, WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, WS_SYSMENU | WS_MINIMIZEBOX))
        return;
    HWND self = Hwnd();
    run_ = std::make_unique<RepairRun>(app_, model_, [self](RunEvent e) {
        auto* posted = new RunEvent(std::move(e));
        if (!PostMessageW(self, kMsgRunEvent, 0, LPARAM(posted))) delete posted;
    });
    run_->SetRepair(ops_.repair);
    preview_ = std::make_unique<RepairRun>(app_, model_, [self](RunEvent e) {
        auto* posted = new RunEvent(std::move(e));
        if (!PostMessageW(self, kMsgPreviewEvent, 0, LPARAM(posted))) delete posted;
    });
    preview_->SetRepair([this](AppState& a, MainModel& m, RepairProgress* p) {
        previewText_ = ops_.preview ? ops_.preview(a, m, p) : std::string();
    });
    BuildControls();
    ApplyLayout(w, h);
    SetRunning(false);
}

FrmMain::~FrmMain() {
    // The worker goes first: it uses the model and the shared state, and posts to this window.
    run_.reset();
    preview_.reset();
    if (HWND self = Hwnd()) {
        MSG m;
        while (PeekMessageW(&m, self, kMsgRunEvent, kMsgPreviewEvent, PM_REMOVE))
            delete reinterpret_cast<RunEvent*>(m.lParam);
    }
    about_.reset();
    previewBox_.reset();
    DestroyFramed();
}

void FrmMain::BuildControls() {
    auto place = [](std::string_view name) { return ToPixels(FixedPlacementOf(name)); };
    auto add = [&](const wchar_t* cls, Ctl id, const std::string& text, DWORD style, HFONT font = GuiFont()) {
        const RECT r = place(ControlNameOf(Id(id)));
        return AddControl(cls, id, text, style, r.left, r.top, r.right - r.left, r.bottom - r.top, font);
    };

    HWND caption = add(WC_STATICW, Ctl::labCaption, "", SS_NOTIFY | SS_NOPREFIX | SS_LEFTNOWORDWRAP, CaptionFont());
    SetColors(caption, RGB(255, 255, 255), kBandColor);
    AddPicture(Ctl::labAbout, Picture::BandText, "关于", 0, 0, 1, 1);
    SetTooltip(AddPicture(Ctl::imgExit, Picture::Close, "", 0, 0, 1, 1), "关闭");

    BuildGrid();
    for (const auto& b : kButtons) add(WC_BUTTONW, b.id, b.text, WS_TABSTOP | BS_PUSHBUTTON);
    HWND verify = add(WC_BUTTONW, Ctl::chkVerify, "修复后校验", WS_TABSTOP | BS_AUTOCHECKBOX);
    SendMessageW(verify, BM_SETCHECK, model_.bVerify ? BST_CHECKED : BST_UNCHECKED, 0);
    HWND backup = add(WC_BUTTONW, Ctl::chkBackup, "修复前备份", WS_TABSTOP | BS_AUTOCHECKBOX);
    SendMessageW(backup, BM_SETCHECK, model_.bBackup ? BST_CHECKED : BST_UNCHECKED, 0);
    HWND findings =
        add(WC_BUTTONW, Ctl::chkRepairFindings, "发现错误时修复（可能丢失数据）", WS_TABSTOP | BS_AUTOCHECKBOX);
    SendMessageW(findings, BM_SETCHECK, model_.bRepairFindings ? BST_CHECKED : BST_UNCHECKED, 0);

    HWND bar = add(PROGRESS_CLASSW, Ctl::ProDB, "", 0);
    SendMessageW(bar, PBM_SETRANGE32, 0, 1);
    SendMessageW(bar, PBM_SETPOS, 0, 0);
    const RECT logo = place("imgLogo");
    AddPicture(Ctl::imgLogo, Picture::Logo, "", logo.left, logo.top, logo.right - logo.left, logo.bottom - logo.top);
    add(WC_STATICW, Ctl::labReport, "结果报告", SS_NOTIFY | SS_NOPREFIX | SS_LEFT);
    add(WC_STATICW, Ctl::labRecord, "", SS_NOTIFY | SS_NOPREFIX | SS_LEFT | SS_ENDELLIPSIS);
}

void FrmMain::ApplyLayout(int widthPx, int heightPx) {
    const double dpi = ScreenDpi();
    frame_ = LayoutMainFrame(PixelsToTwips(widthPx, dpi), PixelsToTwips(heightPx, dpi), frame_);
    auto move = [this](Ctl id, const TwipsRect& t) {
        const RECT r = ToPixels(t);
        MoveWindow(Control(id), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    };
    move(Ctl::imgExit, frame_.exit);
    move(Ctl::labAbout, frame_.about);
    // The title line runs up to the about label instead of being cut at its nominal width.
    TwipsRect caption = FixedPlacementOf("labCaption");
    caption.width = std::max(caption.width, frame_.about.left - caption.left - 120);
    caption.top -= 30;
    caption.height += 60;
    move(Ctl::labCaption, caption);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

void FrmMain::OnPaint(HDC dc, const RECT& client) {
    FillRect(dc, &client, SolidBrushOf(kBackColor));
    for (const TwipsRect* r : {&frame_.topLeft, &frame_.top, &frame_.topRight, &frame_.left, &frame_.right,
                               &frame_.bottomLeft, &frame_.bottom, &frame_.bottomRight}) {
        const RECT px = ToPixels(*r);
        FillRect(dc, &px, SolidBrushOf(kBandColor));
    }
}

void FrmMain::Show() {
    ShowWindow(Hwnd(), SW_SHOW);
    UpdateWindow(Hwnd());
}

LRESULT FrmMain::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE: ApplyLayout(LOWORD(lp), HIWORD(lp)); return 0;
    case WM_SHOWWINDOW:
        // The list loads once the window is up, the first time it is shown.
        if (wp && !loadPosted_) {
            loadPosted_ = true;
            PostMessageW(Hwnd(), kMsgLoad, 0, 0);
        }
        return FramedWindow::OnMessage(msg, wp, lp);
    case kMsgLoad: Load(); return 0;
    case kMsgRunEvent:
    case kMsgPreviewEvent: {
        std::unique_ptr<RunEvent> e(reinterpret_cast<RunEvent*>(lp));
        if (msg == kMsgRunEvent) OnRunEvent(*e);
        else OnPreviewEvent(*e);
        return 0;
    }
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lp));
    default: return FramedWindow::OnMessage(msg, wp, lp);
    }
}

void FrmMain::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    switch (Ctl(id)) {
    case Ctl::cmdBrush: LoadList(); return;
    case Ctl::cmdShowAll: ShowAll(); return;
    case Ctl::cmdSelect: SetAllTicks(true); return;
    case Ctl::cmdClear: SetAllTicks(false); return;
    case Ctl::cmdConfirm: StartRepair(); return;
    case Ctl::cmdPreview: StartPreview(); return;
    case Ctl::labRecord: OpenRecord(); return;
    case Ctl::cmdStop: RequestStop(); return;
    case Ctl::cmdCancel:
    case Ctl::imgExit: EndTool(); return;
    case Ctl::labAbout: ShowAbout(); return;
    case Ctl::imgLogo: OpenUrl(publisherAddress_, Hwnd(), shell_); return;
    case Ctl::chkBackup:
        model_.bBackup = SendMessageW(Control(Ctl::chkBackup), BM_GETCHECK, 0, 0) == BST_CHECKED;
        return;
    case Ctl::chkRepairFindings:
        model_.bRepairFindings = SendMessageW(Control(Ctl::chkRepairFindings), BM_GETCHECK, 0, 0) == BST_CHECKED;
        return;
    case Ctl::chkVerify:
        model_.bVerify = SendMessageW(Control(Ctl::chkVerify), BM_GETCHECK, 0, 0) == BST_CHECKED;
        return;
    default: return; // Enter and Escape start and end nothing here
    }
}

void FrmMain::OnCloseRequest() {
    if (Running()) closePending_ = true;
    else EndTool();
}

// ---- loading ----

void FrmMain::Load() {
    if (Running()) return;
    InitTexts();
    LoadList();
}

void FrmMain::InitTexts() {
    const std::string readme = JoinPath(app_.platform.toolFolder, kReadmeFileName);
    if (const std::string url = ReadmeUrl(webLocation_); !url.empty() && ops_.downloadFile)
        ops_.downloadFile(app_, url, readme, kReadmeSection);
    if (!publisherRead_) {
        publisherRead_ = true;
        publisher_ = LoadPublisherInfo([&](const std::string& section, const std::string& key, const std::string& def) {
            return ops_.readProfile ? ops_.readProfile(app_, section, key, def, readme) : def;
        });
        publisherAddress_ = PublisherAddress(publisher_);
    }
    SetWindowTextOf(Control(Ctl::labCaption), BuildTitleLine(app_.cProduct, app_.cSQLVersion, publisher_));
    model_.labReport.caption = publisher_.intro;
    ApplyReportLabel();
    SetTooltip(Control(Ctl::imgLogo), publisher_.intro);
}

void FrmMain::LoadList() {
    if (Running()) return;
    run_->Transcript().Clear();
    if (ops_.loadAcc) ops_.loadAcc(app_, model_);
    SyncGridFromModel();
    ApplyReportLabel();
    ++loads_;
}

void FrmMain::ShowAll() {
    if (Running()) return;
    app_.cProduct.clear();
    LoadList();
}

void FrmMain::SetAllTicks(bool ticked) {
    if (Running()) return;
    SetAllSelections(model_.grid, ticked);
    for (int r = 1; r < model_.grid.Rows(); ++r) SetCell(r - 1, kColSelect, model_.grid.Cell(r, kColSelect));
}

void FrmMain::ApplyReportLabel() {
    HWND label = Control(Ctl::labReport);
    SetColors(label, ToColorRef(model_.labReport.color), kBackColor);
    SetWindowTextOf(label, model_.labReport.caption);
}

// ---- repair run ----

void FrmMain::BeginRun() {
    SetRunning(true);
    HWND bar = Control(Ctl::ProDB);
    SendMessageW(bar, PBM_SETRANGE32, 0, std::max<int>(1, model_.iAccCount));
    SendMessageW(bar, PBM_SETPOS, 0, 0);
}

void FrmMain::StartRepair() {
    if (Running()) return;
    if (app_.frmMsg && !ConfirmFindingsRepair(*app_.frmMsg, model_)) return;
    BeginRun();
    if (!run_->Start()) SetRunning(false);
}

void FrmMain::RequestStop() { app_.stop.Request(); }

void FrmMain::SetRunning(bool running) {
    for (const auto& b : kButtons) EnableWindow(Control(b.id), b.id == Ctl::cmdStop ? running : !running);
    EnableWindow(Control(Ctl::imgExit), !running);
    EnableWindow(Control(Ctl::chkVerify), !running);
    EnableWindow(Control(Ctl::chkBackup), !running);
    EnableWindow(Control(Ctl::chkRepairFindings), !running);
}

void FrmMain::OnRunEvent(const RunEvent& e) {
    HWND bar = Control(Ctl::ProDB);
    switch (e.kind) {
    case RunEvent::Kind::Started:
        // An empty range would leave the bar without a scale.
        SendMessageW(bar, PBM_SETRANGE32, 0, std::max(1, e.maximum));
        SendMessageW(bar, PBM_SETPOS, 0, 0);
        return;
    case RunEvent::Kind::RowDone:
        if (!e.report.empty()) SetCell(e.row - 1, kColReport, e.report);
        SendMessageW(bar, PBM_SETPOS, WPARAM(e.position), 0);
        return;
    case RunEvent::Kind::Checking: SetCell(e.row - 1, kVerifyColumn, e.report); return;
    case RunEvent::Kind::Reporting: SetCell(e.row - 1, kColReport, e.report); return;
    case RunEvent::Kind::Finished:
        // The worker has returned: the model is the window's again and holds the final results.
        run_->Finish();
        SyncResultCells();
        ApplyReportLabel();
        ShowRecord();
        SetRunning(false);
        ++runs_;
        if (closePending_) EndTool();
        return;
    }
}

// ---- about, end ----

void FrmMain::ShowAbout() {
    if (!about_) about_ = std::make_unique<FrmAbout>(shell_);
    about_->cAboutName = "Quillmere";
    about_->cAboutVersion = "V2.0";
    about_->cAboutCopyright = CopyrightLine(publisher_, CurrentYear(app_));
    about_->cAboutMaker = PublisherAddress(publisher_);
    about_->Open(Hwnd());
}

void FrmMain::EndTool() {
    if (Running()) return;
    closePending_ = false;
    if (endTool_) endTool_();
}

} // namespace qm::ui
