#include "MainWindowDriver.h"

#include "ui/WinCommon.h"
#include "ui/WinControls.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace qme2e {

namespace {

using qm::ui::FindControl;
using json = nlohmann::ordered_json;

constexpr int kLoadTimeoutMs = 60000;
constexpr int kRepairTimeoutMs = 240000;

// The grid rows that "all", "none" or "1,3" name; false for a malformed list or a row past `count`.
bool ParseTickList(const std::string& spec, int count, std::vector<int>& rows) {
    rows.clear();
    for (int r = 1; spec == "all" && r <= count; ++r) rows.push_back(r);
    if (spec == "all" || spec == "none") return true;
    std::istringstream items(spec + ",");
    for (std::string item; std::getline(items, item, ',');) {
        if (item.empty() || item.size() > 5 || item.find_first_not_of("0123456789") != std::string::npos) return false;
        rows.push_back(std::stoi(item));
        if (rows.back() < 1 || rows.back() > count) return false;
    }
    return !rows.empty();
}

std::string Hex(COLORREF c) {
    char s[8];
    std::snprintf(s, sizeof s, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return s;
}

json Snapshot(HWND window, const qm::MainModel& model, bool withHeader) {
    HWND grid = FindControl(window, "grdTable"), report = FindControl(window, "labReport");
    json j;
    j["label"] = qm::ui::WindowTextOf(report);
    j["color"] = Hex(qm::ui::ControlTextColor(report));
    if (withHeader) {
        j["count"] = int(model.iAccCount);
        j["header"] = json::array();
        for (int c = 0; c < qm::ui::kShownColumns; ++c) j["header"].push_back(qm::ui::ListViewHeader(grid, c));
    }
    j["rows"] = json::array();
    for (int item = 0; item < qm::ui::ListViewRows(grid); ++item) {
        json row = json::array();
        for (int c = 0; c < qm::ui::kShownColumns; ++c) row.push_back(qm::ui::ListViewCell(grid, item, c));
        j["rows"].push_back(row);
    }
    return j;
}

void Press(HWND window, const char* name) { SendMessageW(FindControl(window, name), BM_CLICK, 0, 0); }

// Keeps every passing text of the verification cells ("校验中 N%") in the order it showed, each once.
class CheckWatcher {
public:
    explicit CheckWatcher(HWND grid) : grid_(grid) {}
    void Look() {
        // Often enough to see a figure that stays about 2 s, rarely enough to cost nothing.
        if (GetTickCount() - last_ < 100) return;
        last_ = GetTickCount();
        for (int item = 0; item < qm::ui::ListViewRows(grid_); ++item) {
            const std::string cell = qm::ui::ListViewCell(grid_, item, qm::kColVerify);
            if (cell.rfind("校验中", 0) == 0 && (seen.empty() || seen.back() != cell)) seen.push_back(cell);
        }
    }
    json seen = json::array();

private:
    HWND grid_;
    DWORD last_ = 0;
};

// The run's record as written: where the window named it and the file's bytes.
json RecordOf(HWND window, const qm::MainModel& model) {
    json j;
    j["label"] = qm::ui::WindowTextOf(FindControl(window, "labRecord"));
    std::ifstream in(std::filesystem::path(qm::Utf8ToWide(model.record.path)), std::ios::binary);
    j["text"] = model.record.path.empty() ? std::string() : std::string(std::istreambuf_iterator<char>(in), {});
    return j;
}

} // namespace

bool DriveMainWindow(qm::ui::FrmMain& window, const qm::MainModel& model, const DriveOptions& options,
                     json& result, std::string& error) {
    auto waitFor = [&](const std::function<bool()>& done, int timeoutMs, const char* what) {
        if (qm::ui::PumpMessagesUntil(done, timeoutMs)) return true;
        error = what;
        return false;
    };
    const HWND w = window.Hwnd();
    if (!waitFor([&] { return window.Loads() > 0; }, kLoadTimeoutMs, "the main window did not finish loading"))
        return false;
    result["title"] = qm::ui::WindowTextOf(FindControl(w, "labCaption"));
    result["load"] = Snapshot(w, model, true);

    std::vector<int> ticks;
    if (!ParseTickList(options.tick, model.iAccCount, ticks)) {
        error = "malformed --tick " + options.tick;
        return false;
    }
    HWND grid = FindControl(w, "grdTable");
    for (int r : ticks) {
        // Grid row r is list item r - 1; the mark is column 1, which a double-click toggles. The operator
        // scrolls a row below the first screen into view before double-clicking it.
        SendMessageW(grid, LVM_ENSUREVISIBLE, WPARAM(r - 1), FALSE);
        const RECT cell = qm::ui::ListViewCellRect(grid, r - 1, qm::kColSelect);
        SendMessageW(grid, WM_LBUTTONDBLCLK, MK_LBUTTON,
                     MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
        if (qm::ui::ListViewCell(grid, r - 1, qm::kColSelect) != "Y") {
            error = "double-clicking row " + std::to_string(r) + " did not tick it";
            return false;
        }
    }
    HWND verify = FindControl(w, "chkVerify");
    if (options.verify >= 0 && (SendMessageW(verify, BM_GETCHECK, 0, 0) == BST_CHECKED) != (options.verify == 1))
        SendMessageW(verify, BM_CLICK, 0, 0);

    const int runs = window.Runs();
    CheckWatcher checks(grid);
    Press(w, "cmdConfirm");
    if (options.pressStopAfterMs >= 0) {
        // The operator's delay, not a wait for the program: the window keeps working meanwhile.
        qm::ui::PumpMessagesUntil([&] { return checks.Look(), false; }, options.pressStopAfterMs);
        Press(w, "cmdStop");
    }
    if (!waitFor([&] { return checks.Look(), window.Runs() > runs; }, kRepairTimeoutMs, "the repair run did not finish"))
        return false;
    result["repair"] = Snapshot(w, model, false);
    result["repair"]["checking"] = checks.seen;
    result["record"] = RecordOf(w, model);

    const int loads = window.Loads();
    Press(w, "cmdBrush");
    if (!waitFor([&] { return window.Loads() > loads; }, kLoadTimeoutMs, "the list did not reload after 刷新"))
        return false;
    result["reload"] = Snapshot(w, model, true);
    return true;
}

} // namespace qme2e
