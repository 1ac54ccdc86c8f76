#pragma once
// How 停止 reaches a statement in flight. The repair run publishes the connection it works on; the
// window's thread asks for a cancel, which the connection passes to the server. Statements that undo a
// change (the guards) must reach the server whatever the operator does, so while they run a hold keeps
// the slot shut.
#include "platform/Connection.h"
#include "platform/Threads.h"

#include <memory>

namespace qm {

class CancelSlot {
public:
    // Run's thread: the connection a cancel may reach from now on (null: none).
    void Publish(std::shared_ptr<Connection> conn);
    // Any thread: cancels the statement running now on the published connection, unless a hold is
    // taken. Nothing happens between statements: the run's own stop check covers those.
    void Cancel();

    // Run's thread: while one lives, Cancel reaches nothing. Taking it waits for a cancel being passed
    // on at that moment, so a cancel meant for the statement before cannot land on a guard.
    class Hold {
    public:
        explicit Hold(CancelSlot& slot);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        CancelSlot& slot_;
    };

private:
    Mutex mutex_;
    std::shared_ptr<Connection> conn_;
    int holds_ = 0;
};

} // namespace qm
