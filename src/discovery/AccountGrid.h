#pragma once
// The list of abnormal databases as the engine sees it: a plain table that the main window displays,
// discovery fills and the repair driver reads and writes. Row 0 is the header; cells are text (a Null
// from the server is shown empty).
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kBlue{0, 0, 255};

// Column indexes of a grid row.
enum GridColumn : int {
    kColDb = 0,
    kColSelect = 1,
    kColAccNo = 2,
    kColAccName = 3,
    kColYear = 4,
    kColPath = 5,
    kColReport = 6,
    kColVerify = 7,
    kGridColumns = 8
};

class AccountGrid {
public:
    int Rows() const { return int(cells_.size()); }
    // Out-of-range reads give ""; out-of-range writes are ignored.
    const std::string& Cell(int row, int col) const;
    void SetCell(int row, int col, const std::string& text);
    void Clear() {
        cells_.clear();
        currentRow = 0;
    }
    // Inserts a row at `index` from a text whose cells are separated by tabs.
    void InsertRow(int index, const std::string& tabSeparated);
    void AppendRow(std::vector<std::string> row) {
        row.resize(kGridColumns);
        cells_.push_back(std::move(row));
    }

    int currentRow = 0;
    std::vector<int> colWidthsTwips;

private:
    std::vector<std::vector<std::string>> cells_;
};

struct ReportLabel {
    std::string caption;
    Rgb color;
};

// The main window's values that discovery and the repair driver work on.
struct MainModel {
    AccountGrid grid;
    int16_t iAccCount = 0;
    ReportLabel labReport;
    // The window's 修复后校验 (chkVerify): check every database the run repaired. Read by the run as it reaches each.
    std::atomic<bool> bVerify{true};
    // The window's 修复前备份 (chkBackup): copy a database's files before the first change to it.
    std::atomic<bool> bBackup{true};
    // The window's 发现错误时修复 (chkRepairFindings): repair what a check found, with data loss if need be.
    std::atomic<bool> bRepairFindings{false};
    // Confirmed at 确定 for this run: findings are repaired even in a database that was not copied first.
    std::atomic<bool> bRepairUncopied{false};
    // The last run's record: the file written, or why it could not be (both empty before any run).
    struct RecordNote {
        std::string path, error;
    } record;
};

} // namespace qm
