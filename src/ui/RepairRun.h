#pragma once
// Runs a repair on a worker thread so that the main window stays responsive: progress and per-row
// reports arrive as queued signals on the window's thread, a stop request ends the run after the current
// database, and every statement sent is kept per row for the report tooltips.
#include "app/AppState.h"
#include "discovery/AccountGrid.h"
#include "repair/RepairProgress.h"
#include "ui/RowTranscript.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace qm::ui {

class RepairRun : public QObject {
    Q_OBJECT
public:
    using RepairFn = std::function<bool(AppState&, MainModel&, RepairProgress*)>;

    RepairRun(AppState& app, MainModel& model, QObject* parent = nullptr);
    // A run still going is asked to stop and waited for.
    ~RepairRun() override;

    void SetRepair(RepairFn repair) { repair_ = std::move(repair); }

    // Starts a run; false when one is already going. While it runs the worker owns the model and the
    // shared state: the window must not change them.
    bool Start();
    void RequestStop();
    bool Running() const { return running_; }

    RowTranscript& Transcript() { return transcript_; }

signals:
    void runStarted(int maximum);
    void rowDone(int row, int position, const QString& report);
    // The worker has ended and the model is the window's again.
    void finished();

private:
    class Progress;
    void OnThreadFinished();

    AppState& app_;
    MainModel& model_;
    RepairFn repair_;
    RowTranscript transcript_;
    std::unique_ptr<Progress> progress_;
    QThread* thread_ = nullptr;
    StatementObserver* previousObserver_ = nullptr;
    std::atomic<bool> stop_{false};
    bool running_ = false;
};

} // namespace qm::ui
