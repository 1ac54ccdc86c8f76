#pragma once
// The run record (运行记录): what a repair run did, kept in a text file for the operator and for
// support. UTF-8 with a byte-order mark, CR LF line ends, named after the run's start
// (Quillmere-<yyyyMMdd-HHmmss>.txt) in the folder 运行记录 beside the tool, or, where that folder
// cannot be written, in Quillmere\运行记录 under the user's local application data folder. It holds the
// tool, computer, user, server and times; per ticked row the database, its state and the error log's
// cause, its statements with outcome
// and duration, the files moved aside or refused, the report and the check; last the summary. Never
// a password: the record is built from the statements and the grid, which hold none.
#include "app/AppState.h"
#include "discovery/AccountGrid.h"
#include "repair/RepairProgress.h"

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace qm {

inline constexpr const char* kRecordFolder = "运行记录";
inline constexpr const char* kRecordNotSaved = "运行记录未能保存：";

// Watches one run: it stands between the run and the observer and progress that were there before
// (both passed on unchanged) and keeps what it needs for the record.
class RunRecord final : public StatementObserver, public RepairProgress {
public:
    // Takes the header and the start time now, and puts itself before app.observer until End().
    RunRecord(AppState& app, const MainModel& m, RepairProgress* outer);
    ~RunRecord() override;
    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;

    void OnStatement(const StatementEvent& e) override;
    void OnFileMoved(int row, const std::string& path, const std::string& newPath, const std::string& error) override;
    void OnFileCopied(const FileCopyEvent& e) override;

    void RunStarted(int maximum) override;
    void RowDone(int row, int position, const std::string& report) override;
    void Verifying(int row, const std::string& database) override;
    void Verified(int row, const std::string& outcome) override;
    void RowState(int row, const std::string& state) override;
    void RowCause(int row, const std::string& cause, const std::string& line) override;
    void ReportProgress(int row, const std::string& text) override;
    void VerifyProgress(int row, const std::string& text) override;

    // The run is over: the end time, how it ended, the summary. Gives the observer back.
    void End();
    // "Quillmere-<yyyyMMdd-HHmmss>" of the run's start, local time.
    std::string BaseName() const { return baseName_; }
    // The record's text (without the byte-order mark), lines ending in CR LF.
    std::string Text() const;

private:
    struct Row {
        std::vector<std::string> cells; // the grid row as the run left it
        std::string state;
        std::string cause, causeLine;   // the error log's, when it was asked
        std::vector<std::string> lines; // statements and files, in order
        bool reached = false;
    };
    Row& RowAt(int row);

    AppState& app_;
    const MainModel& m_;
    RepairProgress* outer_;
    StatementObserver* next_;
    bool ended_ = false;
    bool stopped_ = false;
    std::string baseName_, header_, started_, finished_, ending_, summary_;
    std::map<int, Row> rows_;
};

// Writes `text` (a byte-order mark is put before it) as <baseName>.txt into 运行记录 beside the tool,
// else into Quillmere\运行记录 under the local application data folder, with "-1", "-2", … after the
// name while one of that name exists. The file's path; "" with the reason in `error` when neither
// folder took it.
std::string SaveRunRecord(AppState& app, const std::string& baseName, const std::string& text, std::string& error);

// A repair run with its record: Repair, then the record saved whatever way the run ended (done,
// stopped, the server lost). m.record says where it went or why it could not be written; no row's
// outcome depends on it.
void RepairWithRecord(AppState& app, MainModel& m, RepairProgress* progress);

} // namespace qm
