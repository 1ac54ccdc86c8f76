#pragma once
// frmMain: the tool's one working window. Lists the abnormal databases, lets the operator tick them,
// runs the repair off the window's thread and shows the reports and the summary.
#include "app/AppState.h"
#include "discovery/AccountGrid.h"
#include "ui/EngineOps.h"
#include "ui/MainLayout.h"
#include "ui/PublisherInfo.h"
#include "ui/UiCommon.h"

#include <QWidget>

#include <functional>
#include <string>

class QProgressBar;
class QPushButton;
class QTableWidget;

namespace qm::ui {

class FrmAbout;
class RepairRun;

class FrmMain : public QWidget {
    Q_OBJECT
public:
    FrmMain(AppState& app, MainModel& model, QWidget* parent = nullptr);
    ~FrmMain() override;

    // Seams: the engine operations (default: the real ones), how the tool ends (default: hide the window
    // and leave the event loop with QCoreApplication::exit(0)), where the read-me is refreshed from
    // (default: nowhere).
    void SetEngineOps(EngineOps ops);
    void SetEndTool(std::function<void()> endTool) { endTool_ = std::move(endTool); }
    void SetWebLocation(std::string location) { webLocation_ = std::move(location); }

    // The window's operations, as its controls trigger them.
    void Load();        // InitTexts, then the list; runs by itself when the window is first shown
    void InitTexts();
    void LoadList();    // cmdBrush
    void ShowAll();     // cmdShowAll
    void SelectAll();   // cmdSelect
    void ClearAll();    // cmdClear
    bool StartRepair(); // cmdConfirm; false when a run is already going
    void RequestStop(); // cmdStop
    void ShowAbout();   // labAbout
    void OpenLogo();    // imgLogo
    void EndTool();     // cmdCancel, imgExit

    bool Running() const;
    const PublisherInfo& Publisher() const { return publisher_; }
    const MainFrameLayout& FrameLayout() const { return frame_; }
    FrmAbout* AboutBox() const { return about_; }
    double Dpi() const;

signals:
    void loaded();
    void repairFinished();

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildControls();
    void ApplyLayout();
    void SyncGridFromModel();
    void ApplyReportLabel();
    void ApplyReportTooltips();
    void SetRunning(bool running);
    void OnCellDoubleClicked(int tableRow, int col);
    void OnRunStarted(int maximum);
    void OnRowDone(int row, int position, const QString& report);
    void OnRunFinished();
    int Px(float twips) const;

    AppState& app_;
    MainModel& model_;
    EngineOps ops_;
    std::function<void()> endTool_;
    std::string webLocation_ = kPublisherWebLocation;
    PublisherInfo publisher_ = DefaultPublisherInfo();
    bool publisherRead_ = false;
    bool loadedOnce_ = false;
    std::string publisherAddress_;
    MainFrameLayout frame_;
    WindowDragger dragger_;
    RepairRun* run_ = nullptr;
    FrmAbout* about_ = nullptr;

    QLabel* labCaption_ = nullptr;
    ClickLabel* labAbout_ = nullptr;
    ClickLabel* imgExit_ = nullptr;
    QTableWidget* grdTable_ = nullptr;
    QPushButton* cmdSelect_ = nullptr;
    QPushButton* cmdClear_ = nullptr;
    QPushButton* cmdShowAll_ = nullptr;
    QPushButton* cmdBrush_ = nullptr;
    QPushButton* cmdConfirm_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdStop_ = nullptr;
    QProgressBar* ProDB_ = nullptr;
    QLabel* labReport_ = nullptr;
    ClickLabel* imgLogo_ = nullptr;
};

} // namespace qm::ui
