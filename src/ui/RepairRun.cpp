#include "ui/RepairRun.h"

namespace qm::ui {

// Called on the worker thread.
class RepairRun::Progress final : public RepairProgress {
public:
    explicit Progress(RepairRun& run) : run_(run) {}
    void RunStarted(int maximum) override {
        RunEvent e;
        e.kind = RunEvent::Kind::Started;
        e.maximum = maximum;
        run_.post_(std::move(e));
    }
    void RowDone(int row, int position, const std::string& report) override {
        RunEvent e;
        e.kind = RunEvent::Kind::RowDone;
        e.row = row;
        e.position = position;
        e.report = report;
        run_.post_(std::move(e));
    }
    void RowCause(int row, const std::string& cause, const std::string& line) override {
        run_.transcript_.NoteCause(row, cause, line);
    }
    void ReportProgress(int row, const std::string& text) override {
        RunEvent e;
        e.kind = RunEvent::Kind::Reporting;
        e.row = row;
        e.report = text;
        run_.post_(std::move(e));
    }
    // From the check's own thread as well: posting is all it does.
    void VerifyProgress(int row, const std::string& text) override { PostCheckCell(row, text); }
    // The outcome replaces the passing text at once, not only when the run has ended.
    void Verified(int row, const std::string& outcome) override { PostCheckCell(row, outcome); }

private:
    void PostCheckCell(int row, const std::string& text) {
        RunEvent e;
        e.kind = RunEvent::Kind::Checking;
        e.row = row;
        e.report = text;
        run_.post_(std::move(e));
    }

    RepairRun& run_;
};

RepairRun::RepairRun(AppState& app, MainModel& model, PostFn post)
    : app_(app), model_(model), post_(std::move(post)), progress_(std::make_unique<Progress>(*this)) {}

RepairRun::~RepairRun() {
    if (!running_) return;
    app_.stop.Request();
    Finish();
}

bool RepairRun::Start() {
    if (running_ || !repair_) return false;
    // Open before the worker exists: a 停止 pressed before it reaches the engine still counts.
    stopRun_.emplace(app_.stop);
    transcript_.Clear();
    // Whoever watched the statements before the run goes on seeing them through the transcript.
    previousObserver_ = app_.observer;
    transcript_.SetNext(previousObserver_);
    app_.observer = &transcript_;
    const bool started = thread_.Start([this] {
        // Finished is posted whatever the repair does, or the window would wait for good.
        try {
            repair_(app_, model_, progress_.get());
        } catch (...) {}
        RunEvent done;
        done.kind = RunEvent::Kind::Finished;
        post_(std::move(done));
    });
    if (!started) {
        app_.observer = previousObserver_;
        transcript_.SetNext(nullptr);
        stopRun_.reset();
        return false;
    }
    running_ = true;
    return true;
}

void RepairRun::Finish() {
    if (!running_) return;
    thread_.Join();
    app_.observer = previousObserver_;
    transcript_.SetNext(nullptr);
    stopRun_.reset();
    running_ = false;
}

} // namespace qm::ui
