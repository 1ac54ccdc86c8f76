// The main window's preview (预览) and the name of the last run's record under the summary.
#include "ui/FrmMain.h"

#include "repair/RunRecord.h"

#include <algorithm>

namespace qm::ui {

void FrmMain::StartPreview() {
    if (Running()) return;
    BeginRun();
    previewText_.clear();
    if (!preview_->Start()) SetRunning(false);
}

void FrmMain::OnPreviewEvent(const RunEvent& e) {
    HWND bar = Control(Ctl::ProDB);
    switch (e.kind) {
    case RunEvent::Kind::Started: SendMessageW(bar, PBM_SETRANGE32, 0, std::max(1, e.maximum)); return;
    case RunEvent::Kind::RowDone:
        // The plan's reports are no row's outcome: only the bar moves.
        SendMessageW(bar, PBM_SETPOS, WPARAM(e.position), 0);
        return;
    case RunEvent::Kind::Checking:
    case RunEvent::Kind::Reporting: return;
    case RunEvent::Kind::Finished:
        preview_->Finish();
        SendMessageW(bar, PBM_SETPOS, 0, 0);
        SetRunning(false);
        if (!previewBox_) previewBox_ = std::make_unique<FrmPreview>();
        previewBox_->Open(Hwnd(), previewText_);
        ++previews_;
        if (closePending_) EndTool();
        return;
    }
}

void FrmMain::ShowRecord() {
    HWND label = Control(Ctl::labRecord);
    const MainModel::RecordNote& r = model_.record;
    if (!r.path.empty()) {
        const size_t slash = r.path.find_last_of("\\/");
        SetWindowTextOf(label, "运行记录：" + (slash == std::string::npos ? r.path : r.path.substr(slash + 1)));
        SetColors(label, kLinkColor, kBackColor);
        SetTooltip(label, "单击打开 " + r.path);
    } else {
        const std::string text = r.error.empty() ? std::string() : kRecordNotSaved + r.error;
        SetWindowTextOf(label, text);
        SetColors(label, RGB(255, 0, 0), kBackColor);
        SetTooltip(label, text);
    }
}

void FrmMain::OpenRecord() {
    if (!model_.record.path.empty()) shell_.Open(model_.record.path);
}

} // namespace qm::ui
