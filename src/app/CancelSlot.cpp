#include "app/CancelSlot.h"

namespace qm {

void CancelSlot::Publish(std::shared_ptr<Connection> conn) {
    LockGuard lock(mutex_);
    conn_ = std::move(conn);
}

void CancelSlot::Cancel() {
    // Passed on under the lock: a hold cannot begin until the cancel has reached the connection.
    LockGuard lock(mutex_);
    if (conn_ && holds_ == 0) conn_->Cancel();
}

CancelSlot::Hold::Hold(CancelSlot& slot) : slot_(slot) {
    LockGuard lock(slot_.mutex_);
    ++slot_.holds_;
}

CancelSlot::Hold::~Hold() {
    LockGuard lock(slot_.mutex_);
    --slot_.holds_;
}

} // namespace qm
