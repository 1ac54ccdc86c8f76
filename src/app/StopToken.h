#pragma once
// 停止: one token that the window sets and that the repair run, the check after a repair and the
// statement in flight all read. A request ends the run after the current database and cancels the
// statement running on the run's connection (the server ends it, a dbcc checkdb included). Statements
// that undo a change (the guards) must reach the server whatever the operator does, so while they run
// a hold keeps the cancel away from them; the request still ends the run after that database.
#include "platform/Connection.h"
#include "platform/Threads.h"

#include <atomic>
#include <memory>

namespace qm {

class StopToken {
public:
    // Any thread. While a run goes, the run is to end after the current database and the statement
    // running now on the run's connection is cancelled, unless a hold is taken. With no run going the
    // request is forgotten, so it cannot end the next run.
    void Request();
    // Any thread: whether the run going now was asked to stop. Between statements this is all a run
    // sees of a request.
    bool Requested() const { return requested_.load(); }

    // A run, from its start to its end. Whoever starts a run on a worker opens one on its own thread
    // before the worker exists, so that a request made before the worker reaches the engine is not
    // lost; the engine's run opens another inside it, naming the connection a request may cancel.
    // When the outermost ends, the request is forgotten.
    class Run {
    public:
        explicit Run(StopToken& token, std::shared_ptr<Connection> cancellable = nullptr);
        ~Run();
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

    private:
        StopToken& token_;
        bool publishes_;
        std::shared_ptr<Connection> previous_;
    };

    // Run's thread: while one lives, a request cancels nothing. Taking it waits for a cancel being
    // passed on at that moment, so a cancel meant for the statement before cannot land on a guard.
    class Hold {
    public:
        explicit Hold(StopToken& token);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        StopToken& token_;
    };

private:
    Mutex mutex_;
    std::atomic<bool> requested_{false};
    std::shared_ptr<Connection> conn_;
    int runs_ = 0;
    int holds_ = 0;
};

} // namespace qm
