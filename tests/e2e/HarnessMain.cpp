// quillmere-e2e.exe: one whole run of the tool with the real start-up, the real windows and the real
// adapters, under Wine, run by the Linux launcher quillmere-e2e (which owns the simulator). Nothing
// waits for a person: the SQL login dialog is confirmed, every message dialog answered, the end-path
// message recorded instead of shown.
//
//   quillmere-e2e.exe OPTIONS.json
//
// The options, written by the launcher: tool_dir, data_dir, out (Windows paths), and tick ("all", "none"
// or "1,3"), verify (true/false), press_stop_after (ms), file_faults ([[path, text]...]) when given.
// Writes title, version_text, product, load, repair, record, reload, messages (and harness_error) to out.
// Exit status: 0 the run reached the end; 2 start-up ended before the main window; 1 the harness failed.
#include "MainWindowDriver.h"

#include "login/ClsUFLogin.h"
#include "platform/Platform.h"
#include "startup/Startup.h"
#include "support/RefusingFileSystem.h"
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

using json = nlohmann::ordered_json;

namespace {

constexpr int kConnectTimeoutMs = 60000;

// Presses a button of `window` that is there and can be pressed; false when there is none.
bool Press(HWND window, const char* name) {
    HWND b = qm::ui::FindControl(window, name);
    if (!b || !IsWindowVisible(b) || !IsWindowEnabled(b)) return false;
    SendMessageW(b, BM_CLICK, 0, 0);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::ifstream in(std::filesystem::path(argc == 2 ? argv[1] : L""));
    json opt = json::parse(in, nullptr, false);
    if (!opt.is_object()) opt = json::object();
    const std::string toolDir = opt.value("tool_dir", ""), dataDir = opt.value("data_dir", ""), outPath = opt.value("out", "");
    if (toolDir.empty() || dataDir.empty() || outPath.empty()) {
        std::cerr << "quillmere-e2e.exe: no options file with tool_dir, data_dir and out\n";
        return 1;
    }
    const qme2e::DriveOptions drive{opt.value("tick", "all"), opt.contains("verify") ? int(opt["verify"].get<bool>()) : -1,
                                    opt.value("press_stop_after", -1)};
    std::string error;

    qm::DefaultPlatform dp = qm::MakeDefaultPlatform(toolDir);
    // A refused file without a folder is one of the data folder.
    qmtest::RefusingFileSystem faulty;
    for (const auto& f : opt.value("file_faults", json::array())) {
        const std::string path = f.at(0), text = f.at(1);
        faulty.Refuse(path.find_first_of("/\\") == std::string::npos ? dataDir + "\\" + path : path, text);
    }
    dp.platform.files = faulty;

    // As the application makes them: the message dialogs first, so they outlive the shared state.
    qm::ui::FrmMsg frmMsg;
    qm::ui::FrmMsg loginOwnMsg;
    qm::AppState app(dp.platform);
    app.frmMsg = &frmMsg;
    app.makeLoginWrapper = [&] { return qm::MakeProductLogin(app, &loginOwnMsg); };

    json result;
    json messages = json::array();
    qm::ui::FrmMsg::shownHook = [&](qm::ui::FrmMsg& m) {
        messages.push_back(m.State().cMsgText);
        if (!Press(m.Hwnd(), "cmdConfirm") && !Press(m.Hwnd(), "cmdYes")) Press(m.Hwnd(), "picExit");
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
    qm::ui::WinStartupWindows windows(app, *dp.platform.connections, frmMsg, [&](qm::AppState& a) {
        return std::make_unique<qm::ui::FrmMain>(a, model);
    });
    windows.beforeMainShown = [&](qm::ui::FrmMain& w) { mainWindow = &w; };
    windows.endMessageShown = [&](const std::string& text) { messages.push_back(text); };
    windows.endMessageBox = false;

    const bool shown = qm::Main(app, windows);
    result["version_text"] = app.cSQLVersion;
    result["product"] = app.cProduct;  // as the list was loaded; 刷新全部 would clear it later

    int status = 0;
    if (!shown) {
        status = 2;
    } else if (!mainWindow || !qme2e::DriveMainWindow(*mainWindow, model, drive, result, error)) {
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
