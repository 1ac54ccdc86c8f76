// quillmere-e2e: one whole run of the Windows program against the simulator, from Linux. Starts the
// simulator natively with Windows paths, writes Config.ini into a fresh tool folder, runs the Windows
// harness (quillmere-e2e.exe: the real start-up and windows) under Wine, and writes the result.
//
//   quillmere-e2e --scenario F --out result.json [--tick all|none|1,3] [--file-fault PATH=TEXT]...
//                 [--verify on|off] [--press-stop-after MS] [--server-drop-at TEXT]
//
// Exit status: 0 the run reached the end and the result was written; 2 start-up ended before the main
// window (the result holds the messages); 1 the launcher or the harness failed.
// Environment: QM_E2E_ROOT (folder for the run, default /TMP), QM_E2E_KEEP (keep it), QM_SQLSIM,
// QM_E2E_HARNESS, QM_E2E_WINE_RUN (the programs, defaults from the build).
#include "SimProcess.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

namespace {

// The harness's own deadline is shorter; this one catches a Wine that never comes back.
constexpr int kHarnessTimeoutMs = 280000;

struct Options {
    std::string scenario, out, dropAt;
    std::vector<std::string> harnessArgs;  // passed through unchanged
};

// Wine turns a Linux program's arguments into Windows text through the Linux locale, and the Chinese
// locale it runs under is usually not installed, which strips every byte to 7 bits. So the harness gets
// its texts with every byte outside printable ASCII, and "%", written as %XX.
std::string PercentEncoded(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f && c != '%') {
            out += char(c);
            continue;
        }
        static const char* hex = "0123456789ABCDEF";
        out += {'%', hex[c >> 4], hex[c & 15]};
    }
    return out;
}

int Usage(const std::string& why) {
    std::cerr << "quillmere-e2e: " << why << "\n"
              << "usage: quillmere-e2e --scenario F --out result.json [--tick all|none|1,3] [--file-fault PATH=TEXT]...\n"
                 "                     [--verify on|off] [--press-stop-after MS] [--server-drop-at TEXT]\n";
    return 1;
}

bool ParseArgs(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) {
            error = a + " needs a value";
            return false;
        }
        const std::string v = argv[++i];
        if (a == "--scenario") o.scenario = v;
        else if (a == "--out") o.out = v;
        else if (a == "--server-drop-at") o.dropAt = v;
        else if (a == "--tick" || a == "--file-fault" || a == "--verify" || a == "--press-stop-after")
            o.harnessArgs.insert(o.harnessArgs.end(), {a, PercentEncoded(v)});  // the harness checks them
        else {
            error = "unknown argument " + a;
            return false;
        }
    }
    if (o.scenario.empty() || o.out.empty()) {
        error = "--scenario and --out are required";
        return false;
    }
    return true;
}

std::string Setting(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Wine shows the Linux root as drive Z:.
std::string WinePath(const std::string& path) {
    std::string p = "Z:" + path;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

// The password of the scenario's "sa" login; "" when it has none.
std::string SaPassword(const std::string& scenarioText) {
    auto j = nlohmann::json::parse(scenarioText, nullptr, false);
    return j.is_object() ? j.value("/logins/sa"_json_pointer, std::string()) : std::string();
}

// The simulator's transcript file (one JSON object per line with "sql" and "error": null or {number,
// message}) as the result's list; false with a description for a line of another form.
bool ReadTranscript(const std::string& text, json& out, std::string& error) {
    out = json::array();
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        json e = json::parse(line, nullptr, false);
        if (!e.is_object() || !e.contains("sql")) {
            error = "transcript line without sql: " + line;
            return false;
        }
        out.push_back(std::move(e));
    }
    return true;
}

// Every file under `folder`, as a path relative to it with "/" (ZT001/2015/UFDATA.MDF); folders are not listed.
std::vector<std::string> SortedFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (!it->is_directory(ec)) names.push_back(it->path().lexically_relative(folder).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

int main(int argc, char** argv) {
    Options opt;
    std::string error;
    if (!ParseArgs(argc, argv, opt, error)) return Usage(error);
    const std::string scenarioText = ReadText(opt.scenario);
    if (scenarioText.empty()) return Usage("cannot read scenario " + opt.scenario);

    // The tool upper-cases data file paths, so the whole data folder path is upper case.
    const std::string base = Setting("QM_E2E_ROOT", "/TMP") + "/QM-E2E-" + std::to_string(::getpid());
    const std::string dataDir = base + "/DATA", toolDir = base + "/TOOL";
    const std::string transcriptFile = base + "/transcript.json", harnessOut = base + "/harness.json";
    std::error_code ec;
    fs::remove_all(base, ec);
    fs::create_directories(dataDir, ec);
    fs::create_directories(toolDir, ec);
    if (ec) return Usage("cannot create " + base + ": " + ec.message());

    std::vector<std::string> simArgs{Setting("QM_SQLSIM", QM_SQLSIM_PATH), "--scenario", fs::absolute(opt.scenario).string(),
                                     "--data-dir", dataDir, "--transcript", transcriptFile, "--windows-paths"};
    if (!opt.dropAt.empty()) simArgs.insert(simArgs.end(), {"--drop-at", opt.dropAt});
    qme2e::SimProcess sim;
    if (!sim.Start(simArgs, 20000, error)) {
        fs::remove_all(base, ec);
        std::cerr << "quillmere-e2e: " << error << "\n";
        return 1;
    }
    std::ofstream(toolDir + "/Config.ini", std::ios::binary)
        << "[Login]\r\nServer=127.0.0.1," << sim.Port() << "\r\nSa=sa\r\nPwd=" << SaPassword(scenarioText) << "\r\n";

    std::vector<std::string> harness{Setting("QM_E2E_WINE_RUN", QM_E2E_WINE_RUN), Setting("QM_E2E_HARNESS", QM_E2E_HARNESS),
                                     "--tool-dir", WinePath(toolDir), "--data-dir", WinePath(dataDir),
                                     "--out", WinePath(harnessOut)};
    harness.insert(harness.end(), opt.harnessArgs.begin(), opt.harnessArgs.end());
    int status = qme2e::RunProgram(harness, kHarnessTimeoutMs, error);
    // Once in a while Wine ends at once, before the program runs (seen under load on a busy machine). A
    // run that wrote nothing and sent the server nothing changed nothing, so it is tried once more, with
    // Wine's own error messages on.
    if (status != 0 && status != 2 && !fs::exists(harnessOut) && ReadText(transcriptFile).empty()) {
        std::cerr << "quillmere-e2e: Wine ended (" << (status < 0 ? error : "status " + std::to_string(status))
                  << ") before the program wrote anything; trying once more\n";
        ::setenv("WINEDEBUG", "err+all,fixme-all", 1);
        status = qme2e::RunProgram(harness, kHarnessTimeoutMs, error);
    }
    sim.Stop();

    // The harness wrote what the operator saw; the launcher adds what the server received and the disk.
    json seen = json::parse(ReadText(harnessOut), nullptr, false);
    if (status < 0 || !seen.is_object()) {
        std::cerr << "quillmere-e2e: " << (status < 0 ? error : "the harness wrote no result") << "\n";
        if (!seen.is_object()) seen = json::object();
    }
    if (status != 0 && status != 2) status = 1;
    json result;
    for (const char* key : {"title", "version_text", "product"}) result[key] = seen.value(key, "");
    result["data_dir"] = WinePath(dataDir);
    for (const char* key : {"load", "repair", "record", "reload", "harness_error"})
        if (seen.contains(key)) result[key] = seen[key];
    result["messages"] = seen.value("messages", json::array());
    json transcript;
    if (!ReadTranscript(ReadText(transcriptFile), transcript, error)) {
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
    return status;
}
