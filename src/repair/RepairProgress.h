#pragma once
// How a repair run talks to whoever started it: the progress after each row and the check of a repaired
// database, so that the window can run it off its own thread. Every call but VerifyProgress comes from
// the run's thread. (停止 reaches the run through AppState::stop.)
#include <string>

namespace qm {

class RepairProgress {
public:
    virtual ~RepairProgress() = default;
    virtual void RunStarted(int maximum) = 0; // progress range 0..maximum, position 0
    // The row's report is written ("" if the row was not ticked); a check of the row may follow.
    virtual void RowDone(int row, int position, const std::string& report) = 0;
    // The check of `database` (grid row `row`) is sent now; it may take long.
    virtual void Verifying(int /*row*/, const std::string& /*database*/) {}
    // The row's verification cell is written: the check's outcome, or 校验已取消.
    virtual void Verified(int /*row*/, const std::string& /*outcome*/) {}
    // A ticked row's state as the run found it, before RowDone.
    virtual void RowState(int /*row*/, const std::string& /*state*/) {}
    // After RowState, for a row that was to be repaired: the cause its error log gave (a class such as
    // 文件被占用, or 未知) and the log entry it came from ("" when none).
    virtual void RowCause(int /*row*/, const std::string& /*cause*/, const std::string& /*line*/) {}
    // While the row is worked on: the report cell's passing text ("备份中 N%" while its files are copied).
    virtual void ReportProgress(int /*row*/, const std::string& /*text*/) {}
    // While the check runs: the verification cell's passing text ("校验中 N%"). The one call that may
    // come from another thread than the run's.
    virtual void VerifyProgress(int /*row*/, const std::string& /*text*/) {}
};

} // namespace qm
