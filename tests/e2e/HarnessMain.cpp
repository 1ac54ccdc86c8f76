// quillmere-e2e.exe: one whole run of the tool with the real start-up, the real windows and the real
// adapters, under Wine, run by the Linux launcher quillmere-e2e (which owns the simulator). Nothing
// waits for a person: the SQL login dialog is confirmed, every message dialog answered, the end-path
// message recorded instead of shown.
//
//   quillmere-e2e.exe OPTIONS.json
//
// The options, written by the launcher: tool_dir, data_dir, out (Windows paths), and tick ("all", "none"
// or "1,3"), verify, backup and repair_findings (true/false), answers (["yes"|"no", ...] for the questions
// in turn), press_stop_after (ms), file_faults ([[path, text]...]) when given.
// Writes title, version_text, product, load, repair, record, reload, messages (and harness_error) to out.
// Exit status: 0 the run reached the end; 2 start-up ended before the main window; 1 the harness failed.
#include "discovery/AccountGrid.h"
#include "login/ClsUFLogin.h"
#include "platform/Platform.h"
#include "startup/Startup.h"
#include "support/RefusingFileSystem.h"
#include "ui/FrmMain.h"
#include "ui/FrmMsg.h"
#include "ui/FrmSQLLogin.h"
#include "ui/WinCommon.h"
#include "ui/WinControls.h"
#include "ui/WinStartupWindows.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

using json = nlohmann::ordered_json;
using qm::ui::FindControl;

namespace {

constexpr int kConnectTimeoutMs = 60000;
constexpr int kLoadTimeoutMs = 60000;
// A run over a thousand databases takes its time; one that stops moving for this long has hung.
constexpr int kRepairStallMs = 240000;

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

// Presses a button of `window` that is there and can be pressed; false when there is none.
bool Press(HWND window, const char* name) {
    HWND b = qm::ui::FindControl(window, name);
    if (!b || !IsWindowVisible(b) || !IsWindowEnabled(b)) return false;
    SendMessageW(b, BM_CLICK, 0, 0);
    return true;
}

// Drives the main window as an operator would, by control id: waits for the list, ticks rows, sets the
// verification box, presses 确定 (and 停止), waits for the run, presses 刷新, and records in `result` what the
// window showed at each point: "title", "load", "repair" (with "checking": the passing texts of the
// verification cells, in order), "record" and "reload". False with a description when the window did not
// do what an operator would wait for in time.
bool DriveMainWindow(qm::ui::FrmMain& window, const qm::MainModel& model, const json& options, json& result,
                     std::string& error) {
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
    if (!ParseTickList(options.value("tick", "all"), model.iAccCount, ticks)) {
        error = "malformed tick list " + options.value("tick", "all");
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
    const std::pair<const char*, const char*> boxes[] = {
        {"verify", "chkVerify"}, {"backup", "chkBackup"}, {"repair_findings", "chkRepairFindings"}};
    for (const auto& [option, name] : boxes) {
        HWND b = FindControl(w, name);
        if (options.contains(option) && (SendMessageW(b, BM_GETCHECK, 0, 0) == BST_CHECKED) != options[option])
            SendMessageW(b, BM_CLICK, 0, 0);
    }

    const int runs = window.Runs();
    CheckWatcher checks(grid);
    Press(w, "cmdConfirm");
    if (const int stopAfterMs = options.value("press_stop_after", -1); stopAfterMs >= 0) {
        // The operator's delay, not a wait for the program: the window keeps working meanwhile.
        qm::ui::PumpMessagesUntil([&] { return checks.Look(), false; }, stopAfterMs);
        Press(w, "cmdStop");
    }
    HWND bar = FindControl(w, "ProDB");
    for (LRESULT at = -1;;) {
        if (qm::ui::PumpMessagesUntil([&] { return checks.Look(), window.Runs() > runs; }, kRepairStallMs)) break;
        const LRESULT now = SendMessageW(bar, PBM_GETPOS, 0, 0);
        if (now == at) {
            error = "the repair run did not finish";
            return false;
        }
        at = now;
    }
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

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::ifstream in(std::filesystem::path(argc == 2 ? argv[1] : L""));
    json opt = json::parse(in, nullptr, false);
    if (!opt.is_object()) opt = json::object();
    const std::string toolDir = opt.value("tool_dir", ""), dataDir = opt.value("data_dir", ""),
                      outPath = opt.value("out", "");
    if (toolDir.empty() || dataDir.empty() || outPath.empty()) {
        std::cerr << "quillmere-e2e.exe: no options file with tool_dir, data_dir and out\n";
        return 1;
    }
    std::string error;

    qm::DefaultPlatform dp = qm::MakeDefaultPlatform(toolDir);
    // A refused file without a folder is one of the data folder.
    qmtest::RefusingFileSystem faulty;
    for (const auto& f : opt.value("file_faults", json::array())) {
        const std::string path = f.at(0), text = f.at(1);
        faulty.Refuse(path.find_first_of("/\\") == std::string::npos ? dataDir + "\\" + path : path, text);
    }
    // The files the simulator holds open, as a server holds an online database's.
    faulty.heldList = opt.value("held_files", "");
    dp.platform.files = faulty;

    // As the application makes them: the message dialogs first, so they outlive the shared state.
    qm::ui::FrmMsg frmMsg;
    qm::ui::FrmMsg loginOwnMsg;
    qm::AppState app(dp.platform);
    app.frmMsg = &frmMsg;
    app.makeLoginWrapper = [&] { return qm::MakeProductLogin(app, &loginOwnMsg); };

    json result;
    json messages = json::array();
    const std::vector<std::string> answers = opt.value("answers", std::vector<std::string>{});
    size_t answered = 0;
    qm::ui::FrmMsg::shownHook = [&](qm::ui::FrmMsg& m) {
        messages.push_back(m.State().cMsgText);
        // A question gets the next of the answers given ("yes" or "no"), Yes once they run out.
        const bool no =
            qm::ui::LookForKind(m.State().iMsgType).yesNo && answered < answers.size() && answers[answered++] == "no";
        if (!Press(m.Hwnd(), "cmdConfirm") && !Press(m.Hwnd(), no ? "cmdNo" : "cmdYes")) Press(m.Hwnd(), "picExit");
    };
    // Confirmed once, with what Config.ini filled in; a refused sign-in is given up, as an operator
    // without another password would.
    qm::ui::FrmSQLLogin::shownHook = [&](qm::ui::FrmSQLLogin& d) {
        Press(d.Hwnd(), "cmdConfirm");
        qm::ui::PumpMessagesUntil([&] { return !d.Connecting(); }, kConnectTimeoutMs);
        if (!d.bConnected) Press(d.Hwnd(), "cmdCancel");
    };

    qm::MainModel model;
    qm::ui::FrmMain* mainWindow = nullptr;
    qm::ui::WinStartupWindows windows(app, *dp.platform.connections, frmMsg,
                                      [&](qm::AppState& a) { return std::make_unique<qm::ui::FrmMain>(a, model); });
    windows.beforeMainShown = [&](qm::ui::FrmMain& w) { mainWindow = &w; };
    windows.endMessageShown = [&](const std::string& text) { messages.push_back(text); };
    windows.endMessageBox = false;

    const bool shown = qm::Main(app, windows);
    result["version_text"] = app.cSQLVersion;
    result["product"] = app.cProduct; // as the list was loaded; 刷新全部 would clear it later

    int status = 0;
    if (!shown) {
        status = 2;
    } else if (!mainWindow || !DriveMainWindow(*mainWindow, model, opt, result, error)) {
        if (!mainWindow) error = "the main window was not made";
        std::cerr << "quillmere-e2e.exe: " << error << "\n";
        result["harness_error"] = error;
        status = 1;
    }
    result["messages"] = messages;

    std::ofstream out(std::filesystem::path(qm::Utf8ToWide(outPath)), std::ios::binary);
    out << result.dump(2) << "\n";
    out.close();
    if (!out) {
        std::cerr << "quillmere-e2e.exe: cannot write " << outPath << "\n";
        status = 1;
    }
    // The windows are not closed one by one: the tool's own ending does not run their close events.
    std::fflush(nullptr);
    std::_Exit(status);
}
