#include "MainWindowDriver.h"

#include "WidgetProbe.h"

#include "ui/FrmMain.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace qme2e {

namespace {

constexpr int kLoadTimeoutMs = 60000;
constexpr int kRepairTimeoutMs = 300000;

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

template <class T>
T* Find(QWidget* w, const char* name) {
    return w ? w->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

} // namespace

std::unique_ptr<QWidget> MainWindowDriver::MakeMainWindow(qm::AppState& app) {
    return std::make_unique<qm::ui::FrmMain>(app, model_);
}

MainWindowDriver::MainWindowDriver() = default;
MainWindowDriver::~MainWindowDriver() = default;

void MainWindowDriver::Attach(QWidget& mainWindow) {
    window_ = &mainWindow;
    loaded_ = std::make_unique<QSignalSpy>(&mainWindow, SIGNAL(loaded()));
    finished_ = std::make_unique<QSignalSpy>(&mainWindow, SIGNAL(repairFinished()));
}

bool MainWindowDriver::Run(qm::AppState& app, const std::string& tick, nlohmann::ordered_json& result,
                           std::string& error) {
    if (!window_ || !loaded_ || !loaded_->isValid() || !finished_ || !finished_->isValid()) {
        error = "the main window was not shown or lacks its loaded()/repairFinished() signals";
        return false;
    }
    auto* grid = Find<QAbstractItemView>(window_, "grdTable");
    auto* report = Find<QLabel>(window_, "labReport");
    auto* caption = Find<QLabel>(window_, "labCaption");
    auto* confirm = Find<QAbstractButton>(window_, "cmdConfirm");
    auto* brush = Find<QAbstractButton>(window_, "cmdBrush");
    if (!grid || !report || !caption || !confirm || !brush) {
        error = "the main window lacks grdTable, labReport, labCaption, cmdConfirm or cmdBrush";
        return false;
    }
    if (!WaitUntil([&] { return loaded_->count() > 0; }, kLoadTimeoutMs)) {
        error = "the main window did not finish loading";
        return false;
    }

    auto snapshot = [&](bool withHeader) {
        GridSnapshot g = ReadGrid(*grid);
        nlohmann::ordered_json j;
        j["label"] = ToUtf8(report->text());
        j["color"] = LabelColor(*report);
        if (withHeader) {
            j["count"] = int(model_.iAccCount);
            j["header"] = g.header;
        }
        j["rows"] = nlohmann::ordered_json::array();
        for (auto& r : g.rows) j["rows"].push_back(r);
        return j;
    };

    result["title"] = ToUtf8(caption->text());
    result["product"] = app.cProduct;  // as the list was loaded; 刷新全部 would clear it later
    result["load"] = snapshot(true);

    std::vector<int> ticks;
    if (!ParseTickList(tick, int(model_.iAccCount), ticks)) {
        error = "malformed --tick " + tick;
        return false;
    }
    auto* model = grid->model();
    for (int r : ticks) {
        // Grid row r (1-based below the header) is model row r - 1; column 1 holds the mark.
        QModelIndex idx = model->index(r - 1, 1);
        if (!idx.isValid()) {
            error = "no grid row " + std::to_string(r);
            return false;
        }
        grid->scrollTo(idx);
        QRect cell = grid->visualRect(idx);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QApplication::processEvents();
        if (model->data(idx).toString() != QStringLiteral("Y")) {
            error = "double-clicking row " + std::to_string(r) + " did not tick it";
            return false;
        }
    }

    int runsBefore = finished_->count();
    confirm->click();
    if (!WaitUntil([&] { return finished_->count() > runsBefore; }, kRepairTimeoutMs)) {
        error = "the repair run did not finish";
        return false;
    }
    result["repair"] = snapshot(false);
    // For screenshots under a real display: keep the finished run on screen for a while.
    if (const char* hold = std::getenv("QM_E2E_HOLD_MS"); hold && *hold) {
        std::fprintf(stderr, "quillmere-e2e: repair finished\n");
        WaitUntil([] { return false; }, std::atoi(hold));
    }

    int loadsBefore = loaded_->count();
    brush->click();
    if (!WaitUntil([&] { return loaded_->count() > loadsBefore; }, kLoadTimeoutMs)) {
        error = "the list did not reload after 刷新";
        return false;
    }
    result["reload"] = snapshot(true);
    result["reload"].erase("header");
    return true;
}

} // namespace qme2e
