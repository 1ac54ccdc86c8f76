#include "ui/RepairRun.h"

#include "repair/RepairProgress.h"

#include <QThread>

namespace qm::ui {

// Called on the worker thread; signals emitted here reach the window through its event queue.
class RepairRun::Progress final : public RepairProgress {
public:
    explicit Progress(RepairRun& run) : run_(run) {}
    void RunStarted(int maximum) override { emit run_.runStarted(maximum); }
    void RowDone(int row, int position, const std::string& report) override {
        emit run_.rowDone(row, position, QString::fromStdString(report));
    }
    bool StopRequested() override { return run_.stop_.load() || run_.model_.bStop.load(); }

private:
    RepairRun& run_;
};

RepairRun::RepairRun(AppState& app, MainModel& model, QObject* parent)
    : QObject(parent), app_(app), model_(model) {}

RepairRun::~RepairRun() {
    if (thread_) {
        RequestStop();
        thread_->wait();
        delete thread_;
        thread_ = nullptr;
        app_.observer = previousObserver_;
    }
}

bool RepairRun::Start() {
    if (running_ || !repair_) return false;
    running_ = true;
    stop_ = false;
    model_.bStop = false;
    transcript_.Clear();
    // Whoever watched the statements before the run goes on seeing them through the transcript.
    previousObserver_ = app_.observer;
    transcript_.SetNext(previousObserver_);
    app_.observer = &transcript_;
    progress_ = std::make_unique<Progress>(*this);

    thread_ = QThread::create([this] { repair_(app_, model_, progress_.get()); });
    thread_->setObjectName("repair");
    connect(thread_, &QThread::finished, this, &RepairRun::OnThreadFinished, Qt::QueuedConnection);
    thread_->start();
    return true;
}

void RepairRun::RequestStop() {
    stop_ = true;
    model_.bStop = true;
}

void RepairRun::OnThreadFinished() {
    if (!thread_) return;
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    app_.observer = previousObserver_;
    transcript_.SetNext(nullptr);
    running_ = false;
    emit finished();
}

} // namespace qm::ui
