#pragma once
// Runs a repair on a worker thread so that the main window stays responsive. The worker never touches
// a window: what it has to say (the run started, a row is done, the run ended) goes through `post`,
// which hands it to the window's thread. Every statement sent is kept per row for the report tooltips.
#include "app/AppState.h"
#include "discovery/AccountGrid.h"
#include "platform/Threads.h"
#include "repair/RepairProgress.h"
#include "ui/RowTranscript.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace qm::ui {

struct RunEvent {
    enum class Kind { Started, RowDone, Checking, Reporting, Finished };
    Kind kind = Kind::Started;
    int maximum = 0;    // Started
    int row = 0;        // RowDone, Checking
    int position = 0;   // RowDone
    std::string report; // RowDone: the report; Checking: the verification cell's text, passing or final;
                        // Reporting: the report cell's passing text
};

class RepairRun {
public:
    using RepairFn = std::function<void(AppState&, MainModel&, RepairProgress*)>;
    // Called on the worker thread; must hand the event to the window's thread and return at once.
    using PostFn = std::function<void(RunEvent)>;

    RepairRun(AppState& app, MainModel& model, PostFn post);
    // A run still going is asked to stop and waited for.
    ~RepairRun();
    RepairRun(const RepairRun&) = delete;
    RepairRun& operator=(const RepairRun&) = delete;

    void SetRepair(RepairFn repair) { repair_ = std::move(repair); }

    // Starts a run; false when one is going or no thread could be had. From here until Finish() the
    // worker owns the model and the shared state: the window must not change them. 停止 goes through
    // app.stop, which counts from here on.
    bool Start();
    // True from Start() until Finish().
    bool Running() const { return running_; }
    // On the window's thread once the Finished event has arrived: waits for the worker to return and puts
    // back the statement observer that was there before the run.
    void Finish();

    RowTranscript& Transcript() { return transcript_; }

private:
    class Progress;

    AppState& app_;
    MainModel& model_;
    PostFn post_;
    RepairFn repair_;
    RowTranscript transcript_;
    std::unique_ptr<Progress> progress_;
    Thread thread_;
    StatementObserver* previousObserver_ = nullptr;
    std::optional<StopToken::Run> stopRun_;
    bool running_ = false;
};

} // namespace qm::ui
