#pragma once
// Collects, per grid row, the statements a repair run sends and what the server answered, so the window
// can show them as the tooltip of the row's report cell. Filled from the run's worker thread, read from
// the window's thread.
#include "app/Interfaces.h"
#include "platform/Threads.h"

#include <map>
#include <string>
#include <vector>

namespace qm::ui {

class RowTranscript final : public StatementObserver {
public:
    // Every event is also handed on to `next` (may be null), so an observer installed before the run
    // keeps seeing everything.
    void SetNext(StatementObserver* next);
    StatementObserver* Next() const;

    void OnStatement(const StatementEvent& e) override;
    void OnFileMoved(int row, const std::string& path, const std::string& newPath, const std::string& error) override;
    void OnFileCopied(const FileCopyEvent& e) override;

    // The error log's cause for the row: it heads the tooltip ("原因：<cause>", then the log entry).
    void NoteCause(int row, const std::string& cause, const std::string& line);

    void Clear();
    // The row's lines joined by newlines; "" when nothing was recorded for it.
    std::string TooltipFor(int row) const;
    std::vector<int> Rows() const;

private:
    mutable Mutex mutex_;
    StatementObserver* next_ = nullptr;
    std::map<int, std::vector<std::string>> lines_;
    std::map<int, std::vector<std::string>> causes_;
};

// One statement as a tooltip line (followed by indented server messages that are not the error itself).
std::vector<std::string> DescribeStatement(const StatementEvent& e);

} // namespace qm::ui
