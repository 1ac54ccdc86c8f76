#pragma once
// frmMain: the tool's one working window. Lists the abnormal databases, lets the operator tick them,
// runs the repair off the window's thread and shows the reports, their statements and the summary.
#include "app/AppState.h"
#include "discovery/AccountGrid.h"
#include "ui/EngineOps.h"
#include "ui/FrmAbout.h"
#include "ui/FrmPreview.h"
#include "ui/MainLayout.h"
#include "ui/PublisherInfo.h"
#include "ui/RepairRun.h"
#include "ui/WinFrame.h"
#include "ui/WinGrid.h"

#include <functional>
#include <memory>
#include <string>

namespace qm::ui {

// The verification column after the seven columns of a listed database.
inline constexpr int kVerifyColumn = 7;
inline constexpr int kShownColumns = 8;

class FrmMain final : public FramedWindow {
public:
    // Creates the window hidden; it loads the first time it is shown.
    FrmMain(AppState& app, MainModel& model, EngineOps ops = DefaultEngineOps());
    ~FrmMain() override;

    // How the tool ends (default: hide the window and post WM_QUIT); where the read-me is refreshed
    // from (default: nowhere).
    void SetEndTool(std::function<void()> endTool) { endTool_ = std::move(endTool); }
    void SetWebLocation(std::string location) { webLocation_ = std::move(location); }

    // Shows the window modeless.
    void Show();

    // For whoever drives the window: the lists loaded, the runs and previews finished so far (wait for
    // the next one to know that a click has taken effect), whether a run or preview is going, the about
    // box and the preview window once opened.
    int Loads() const { return loads_; }
    int Runs() const { return runs_; }
    int Previews() const { return previews_; }
    bool Running() const { return (run_ && run_->Running()) || (preview_ && preview_->Running()); }
    FrmAbout* AboutBox() const { return about_.get(); }
    FrmPreview* PreviewBox() const { return previewBox_.get(); }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnCommand(int id, int code) override;
    // Waits for a running repair: the window closes once the run has ended.
    void OnCloseRequest() override;
    void OnPaint(HDC dc, const RECT& client) override;

private:
    void BuildControls();
    void BuildGrid();
    void ApplyLayout(int widthPx, int heightPx);

    void Load();
    void InitTexts();
    void LoadList();
    void ShowAll();
    void SetAllTicks(bool ticked);
    void StartRepair();
    void RequestStop();
    void ShowAbout();
    void EndTool();

    void SyncGridFromModel();
    void SyncResultCells();
    void SetCell(int item, int column, const std::string& text);
    void ApplyReportLabel();
    void SetRunning(bool running);
    void BeginRun(); // buttons at rest, the bar at zero
    void OnRunEvent(const RunEvent& e);
    // The preview and the run record (FrmMainPreview.cpp).
    void StartPreview();
    void OnPreviewEvent(const RunEvent& e);
    void ShowRecord();
    void OpenRecord();

    LRESULT OnNotify(const NMHDR& n);
    void OnGridDoubleClick(POINT at);
    static LRESULT CALLBACK GridProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);

    AppState& app_;
    MainModel& model_;
    EngineOps ops_;
    Shell& shell_;
    std::function<void()> endTool_;
    std::string webLocation_ = kPublisherWebLocation;
    PublisherInfo publisher_ = DefaultPublisherInfo();
    bool publisherRead_ = false;
    bool loadPosted_ = false;
    bool closePending_ = false;
    std::string publisherAddress_;
    MainFrameLayout frame_;
    std::unique_ptr<RepairRun> run_;
    std::unique_ptr<RepairRun> preview_; // the preview runs off the window's thread as a run does
    std::string previewText_;            // written by the preview's worker, read once it has finished
    std::unique_ptr<FrmAbout> about_;
    std::unique_ptr<FrmPreview> previewBox_;
    int loads_ = 0;
    int runs_ = 0;
    int previews_ = 0;

    GridView view_;
    HWND grid_ = nullptr;
    WNDPROC gridProc_ = nullptr;
    int hoverItem_ = -1;
    int hoverColumn_ = -1;
    std::wstring tipText_;
};

} // namespace qm::ui
