#include "app/StopToken.h"

namespace qm {

void StopToken::Request() {
    // Passed on under the lock: a hold cannot begin until the cancel has reached the connection.
    LockGuard lock(mutex_);
    if (runs_ == 0) return;
    requested_ = true;
    if (conn_ && holds_ == 0) conn_->Cancel();
}

StopToken::Run::Run(StopToken& token, std::shared_ptr<Connection> cancellable)
    : token_(token), publishes_(bool(cancellable)) {
    LockGuard lock(token_.mutex_);
    ++token_.runs_;
    if (publishes_) {
        previous_ = std::move(token_.conn_);
        token_.conn_ = std::move(cancellable);
    }
}

StopToken::Run::~Run() {
    LockGuard lock(token_.mutex_);
    if (publishes_) token_.conn_ = std::move(previous_);
    if (--token_.runs_ == 0) token_.requested_ = false;
}

StopToken::Hold::Hold(StopToken& token) : token_(token) {
    LockGuard lock(token_.mutex_);
    ++token_.holds_;
}

StopToken::Hold::~Hold() {
    LockGuard lock(token_.mutex_);
    --token_.holds_;
}

} // namespace qm
