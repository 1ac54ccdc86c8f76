// quillmere-e2e: one whole run of the tool against the simulator's TDS server, with the real start-up,
// the real Qt windows (offscreen) and the real ODBC adapter. Writes what the operator would have seen.
//
//   quillmere-e2e --scenario F --out result.json [--tick all|1,3] [--file-fault PATH=TEXT]...
//
// Exit status: 0 the run reached the end and the result was written; 2 start-up ended before the main
// window (the result holds the messages); 1 the harness itself failed.
#include "FaultFileSystem.h"
#include "MainWindowDriver.h"
#include "SimProcess.h"
#include "Transcript.h"
#include "WidgetProbe.h"

#include "app/AppState.h"
#include "app/Startup.h"
#include "login/ClsUFLogin.h"
#include "platform/Platform.h"
#include "server/SqlLoginDialog.h"
#include "ui/FrmMsg.h"
#include "ui/QtStartup.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>
#include <unistd.h>

#ifndef QM_SQLSIM_PATH
#define QM_SQLSIM_PATH "quillmere-sqlsim"
#endif

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

namespace {

struct Options {
    std::string scenario;
    std::string out;
    std::string tick = "all";
    std::vector<std::pair<std::string, std::string>> faults;
};

int Usage(const std::string& why) {
    std::cerr << "quillmere-e2e: " << why << "\n"
              << "usage: quillmere-e2e --scenario F --out result.json [--tick all|1,3] [--file-fault PATH=TEXT]...\n";
    return 1;
}

bool ParseArgs(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a != "--scenario" && a != "--out" && a != "--tick" && a != "--file-fault") { error = "unknown argument " + a; return false; }
        if (i + 1 >= argc) { error = a + " needs a value"; return false; }
        const std::string v = argv[++i];
        std::string path, text;
        if (a == "--scenario") o.scenario = v;
        else if (a == "--out") o.out = v;
        else if (a == "--tick") o.tick = v;
        else if (qme2e::ParseFileFault(v, path, text)) o.faults.emplace_back(path, text);
        else { error = "--file-fault needs PATH=TEXT"; return false; }
    }
    if (o.scenario.empty() || o.out.empty()) { error = "--scenario and --out are required"; return false; }
    return true;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The password of the "sa" login of the scenario (names compare without letter case); "" when absent.
std::string SaPassword(const std::string& scenarioText) {
    auto j = nlohmann::json::parse(scenarioText, nullptr, false);
    if (j.is_discarded() || !j.contains("logins") || !j["logins"].is_object()) return {};
    for (auto& [name, pwd] : j["logins"].items()) {
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (lower == "sa" && pwd.is_string()) return pwd.get<std::string>();
    }
    return {};
}

std::vector<std::string> SortedFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Every modal window the run opens is answered here, so nothing waits for a person: the SQL login
// dialog is confirmed (and cancelled if it is still up after a failed confirmation, to avoid a loop),
// the end-path message box is closed. The tool's own message dialog answers through its shown hook.
class ModalAnswerer : public QObject {
public:
    ModalAnswerer(QObject* parent, std::function<void(const std::string&)> record)
        : QObject(parent), record_(std::move(record)) {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
        timer_.start();
    }

private:
    void Tick() {
        if (busy_) return;  // a click below may run a nested event loop that ticks again
        busy_ = true;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible()) continue;
            if (auto* login = qobject_cast<qm::SqlLoginDialog*>(w)) {
                const char* name = confirmed_.count(login) ? "cmdCancel" : "cmdConfirm";
                confirmed_.insert(login);
                if (auto* b = login->findChild<QPushButton*>(name)) b->click();
                break;
            }
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                // The end-path box is recorded as it opens; any other box is recorded here.
                if (box->objectName() != QLatin1String("endMessage")) record_(box->text().toUtf8().toStdString());
                box->accept();
                break;
            }
        }
        busy_ = false;
    }

    std::function<void(const std::string&)> record_;
    QTimer timer_;
    bool busy_ = false;
    std::set<QObject*> confirmed_;
};

} // namespace

int main(int argc, char** argv) {
    Options opt;
    std::string error;
    if (!ParseArgs(argc, argv, opt, error)) return Usage(error);
    std::string scenarioText = ReadText(opt.scenario);
    if (scenarioText.empty()) return Usage("cannot read scenario " + opt.scenario);

    // The tool upper-cases data file paths, so the whole data folder path must be upper case.
    const char* rootEnv = std::getenv("QM_E2E_ROOT");
    std::string base = std::string(rootEnv && *rootEnv ? rootEnv : "/TMP") + "/QM-E2E-" + std::to_string(::getpid());
    std::string dataDir = base + "/DATA";
    std::string toolDir = base + "/TOOL";
    std::error_code ec;
    fs::remove_all(base, ec);
    fs::create_directories(dataDir, ec);
    fs::create_directories(toolDir, ec);
    if (ec) return Usage("cannot create " + base + ": " + ec.message());

    const char* simEnv = std::getenv("QM_SQLSIM");
    std::string simProgram = simEnv && *simEnv ? simEnv : QM_SQLSIM_PATH;
    std::string transcriptFile = base + "/transcript.json";
    qme2e::SimProcess sim;
    if (!sim.Start(simProgram, fs::absolute(opt.scenario).string(), dataDir, transcriptFile, 20000, error)) {
        fs::remove_all(base, ec);
        std::cerr << "quillmere-e2e: " << error << "\n";
        return 1;
    }
    {
        std::ofstream ini(toolDir + "/Config.ini", std::ios::binary);
        ini << "[Login]\r\nServer=127.0.0.1," << sim.Port() << "\r\nSa=sa\r\nPwd=" << SaPassword(scenarioText) << "\r\n";
    }

    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qargc = 1;
    char* qargv[] = {argv[0], nullptr};
    QApplication qapp(qargc, qargv);

    json result;
    json messages = json::array();

    qm::DefaultPlatform dp = qm::MakeDefaultPlatform(toolDir);
    qme2e::FaultFileSystem faulty(*dp.platform.files);
    for (auto& [path, text] : opt.faults) faulty.AddFault(path, text, dataDir);
    dp.platform.files = &faulty;

    qm::AppState app(dp.platform);
    qm::ui::FrmMsg frmMsg;
    qm::ui::FrmMsg loginOwnMsg;
    app.frmMsg = &frmMsg;
    app.makeLoginWrapper = [&] { return qm::MakeProductLogin(app, &loginOwnMsg); };
    qm::ui::FrmMsg::shownHook = [&](qm::ui::FrmMsg& m) {
        messages.push_back(m.State().cMsgText);
        if (!m.Press("cmdConfirm") && !m.Press("cmdYes")) m.Press("picExit");
    };

    qme2e::MainWindowDriver driver;
    qm::QtStartupWindows windows(app, [&](qm::AppState& a) { return driver.MakeMainWindow(a); });
    windows.beforeMainShown = [&](QWidget& w) { driver.Attach(w); };
    windows.endMessageShown = [&](const std::string& text) { messages.push_back(text); };
    ModalAnswerer answerer(&qapp, [&](const std::string& text) { messages.push_back(text); });

    bool shown = qm::Main(app, windows);
    result["title"] = "";
    result["version_text"] = app.cSQLVersion;
    result["product"] = app.cProduct;
    result["data_dir"] = dataDir;

    int status = 0;
    if (!shown) {
        status = 2;
    } else if (!driver.Run(app, opt.tick, result, error)) {
        std::cerr << "quillmere-e2e: " << error << "\n";
        result["harness_error"] = error;
        status = 1;
    }
    qm::ui::FrmMsg::shownHook = nullptr;
    result["messages"] = messages;

    sim.Stop();
    json transcript;
    if (!qme2e::ConvertTranscript(ReadText(transcriptFile), transcript, error)) {
        std::cerr << "quillmere-e2e: " << error << "\n";
        status = 1;
    }
    result["transcript"] = transcript;
    result["files"] = SortedFiles(dataDir);

    std::ofstream out(opt.out, std::ios::binary);
    out << result.dump(2) << "\n";
    out.close();
    if (!out) {
        std::cerr << "quillmere-e2e: cannot write " << opt.out << "\n";
        status = 1;
    }
    if (!std::getenv("QM_E2E_KEEP")) fs::remove_all(base, ec);
    // The windows are not closed one by one: the tool's own ending does not run their close events either.
    std::fflush(nullptr);
    std::_Exit(status);
}
