// quillmere-e2e.exe: one whole run of the tool with the real start-up, the real windows and the real
// adapters, under Wine, run by the Linux launcher quillmere-e2e (which owns the simulator). Nothing
// waits for a person: the SQL login dialog is confirmed, every message dialog answered, the end-path
// message recorded instead of shown.
//
//   quillmere-e2e.exe --tool-dir D --data-dir D --out F [--tick all|none|1,3] [--file-fault PATH=TEXT]...
//                     [--verify on|off] [--press-stop-after MS]
//
// Writes title, version_text, product, load, repair, reload, messages (and harness_error) to F.
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

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

using json = nlohmann::ordered_json;

namespace {

constexpr int kConnectTimeoutMs = 60000;

struct Options {
    std::string toolDir, dataDir, out;
    std::vector<std::pair<std::string, std::string>> faults;
    qme2e::DriveOptions drive;
};

// The launcher writes every byte outside printable ASCII as %XX (see Launcher.cpp).
std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit((unsigned char)text[i + 1]) &&
            std::isxdigit((unsigned char)text[i + 2])) {
            out += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool ParseArgs(int argc, wchar_t** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = qm::WideToUtf8(argv[i]);
        if (i + 1 >= argc) {
            error = a + " needs a value";
            return false;
        }
        const std::string v = PercentDecoded(qm::WideToUtf8(argv[++i]));
        if (a == "--tool-dir") o.toolDir = v;
        else if (a == "--data-dir") o.dataDir = v;
        else if (a == "--out") o.out = v;
        else if (a == "--tick") o.drive.tick = v;
        else if (a == "--verify" && (v == "on" || v == "off")) o.drive.verify = v == "on";
        else if (a == "--press-stop-after" && !v.empty() && v.find_first_not_of("0123456789") == std::string::npos)
            o.drive.pressStopAfterMs = std::stoi(v);
        else if (a == "--file-fault" && v.find('=') != std::string::npos && v.find('=') > 0)
            o.faults.emplace_back(v.substr(0, v.find('=')), v.substr(v.find('=') + 1));
        else {
            error = "bad argument " + a + " " + v;
            return false;
        }
    }
    if (o.toolDir.empty() || o.dataDir.empty() || o.out.empty()) {
        error = "--tool-dir, --data-dir and --out are required";
        return false;
    }
    return true;
}

// Presses a button of `window` that is there and can be pressed; false when there is none.
bool Press(HWND window, const char* name) {
    HWND b = qm::ui::FindControl(window, name);
    if (!b || !IsWindowVisible(b) || !IsWindowEnabled(b)) return false;
    SendMessageW(b, BM_CLICK, 0, 0);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options opt;
    std::string error;
    if (!ParseArgs(argc, argv, opt, error)) {
        std::cerr << "quillmere-e2e.exe: " << error << "\n";
        return 1;
    }

    qm::DefaultPlatform dp = qm::MakeDefaultPlatform(opt.toolDir);
    // A refused file without a folder is one of the data folder.
    qmtest::RefusingFileSystem faulty;
    for (auto& [path, text] : opt.faults)
        faulty.Refuse(path.find_first_of("/\\") == std::string::npos ? opt.dataDir + "\\" + path : path, text);
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
    } else if (!mainWindow || !qme2e::DriveMainWindow(*mainWindow, model, opt.drive, result, error)) {
        if (!mainWindow) error = "the main window was not made";
        std::cerr << "quillmere-e2e.exe: " << error << "\n";
        result["harness_error"] = error;
        status = 1;
    }
    result["messages"] = messages;

    std::ofstream out(std::filesystem::path(qm::Utf8ToWide(opt.out)), std::ios::binary);
    out << result.dump(2) << "\n";
    out.close();
    if (!out) {
        std::cerr << "quillmere-e2e.exe: cannot write " << opt.out << "\n";
        status = 1;
    }
    // The windows are not closed one by one: the tool's own ending does not run their close events.
    std::fflush(nullptr);
    std::_Exit(status);
}
