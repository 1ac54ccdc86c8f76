#pragma once
// How a repair run talks to whoever started it: the progress after each row and the stop request,
// so that the window can run it off its own thread.
#include <string>

namespace qm {

class RepairProgress {
public:
    virtual ~RepairProgress() = default;
    virtual void RunStarted(int maximum) = 0;                 // progress range 0..maximum, position 0
    virtual void RowDone(int row, int position, const std::string& report) = 0;  // report "" if not written
    virtual bool StopRequested() = 0;                         // checked between rows
};

} // namespace qm
