// quillmere-e2e: one whole run of the Windows program against the simulator, from Linux. Starts the
// simulator natively with Windows paths, writes Config.ini into a fresh tool folder, runs the Windows
// harness (quillmere-e2e.exe: the real start-up and windows) under Wine, and writes the result.
//
//   quillmere-e2e --scenario F --out result.json [--tick all|none|1,3] [--file-fault PATH=TEXT]...
//                 [--verify on|off] [--backup on|off] [--press-stop-after MS] [--server-drop-at TEXT]
//                 [--repair-findings on|off] [--answer yes|no]...
//
// Exit status: 0 the run reached the end and the result was written; 2 start-up ended before the main
// window (the result holds the messages); 1 the launcher or the harness failed.
// Environment: QM_E2E_ROOT (folder for the run, default /TMP), QM_E2E_KEEP (keep it), QM_SQLSIM,
// QM_E2E_HARNESS, QM_E2E_WINE_RUN (the programs, defaults from the build).
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

namespace {

// The harness's own deadline is shorter; this one catches a Wine that never comes back.
constexpr int kHarnessTimeoutMs = 280000;

struct Options {
    std::string scenario, out, dropAt;
    json harness = json::object(); // the harness's options, handed over in a UTF-8 file: Wine would strip
                                   // non-ASCII arguments to 7 bits under the uninstalled Chinese locale
};

int Usage(const std::string& why) {
    std::cerr
        << "quillmere-e2e: " << why << "\n"
        << "usage: quillmere-e2e --scenario F --out result.json [--tick all|none|1,3] [--file-fault PATH=TEXT]...\n"
           "                     [--verify on|off] [--backup on|off] [--press-stop-after MS] [--server-drop-at TEXT]\n"
           "                     [--repair-findings on|off] [--answer yes|no]...\n";
    return 1;
}

bool ParseArgs(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; i += 2) {
        const std::string a = argv[i], v = i + 1 < argc ? argv[i + 1] : "";
        const size_t eq = v.find('=');
        if (i + 1 >= argc) error = a + " needs a value";
        else if (a == "--scenario") o.scenario = v;
        else if (a == "--out") o.out = v;
        else if (a == "--server-drop-at") o.dropAt = v;
        else if (a == "--tick") o.harness["tick"] = v; // the harness checks it against the list it loaded
        else if (a == "--verify" && (v == "on" || v == "off")) o.harness["verify"] = v == "on";
        else if (a == "--backup" && (v == "on" || v == "off")) o.harness["backup"] = v == "on";
        else if (a == "--repair-findings" && (v == "on" || v == "off")) o.harness["repair_findings"] = v == "on";
        else if (a == "--answer" && (v == "yes" || v == "no")) o.harness["answers"].push_back(v);
        else if (a == "--press-stop-after" && !v.empty() && v.size() < 8 && v.find_first_not_of("0123456789") == v.npos)
            o.harness["press_stop_after"] = std::stoi(v);
        else if (a == "--file-fault" && eq != v.npos && eq > 0)
            o.harness["file_faults"].push_back({v.substr(0, eq), v.substr(eq + 1)});
        else error = "bad argument " + a + " " + v;
        if (!error.empty()) return false;
    }
    if (o.scenario.empty() || o.out.empty()) error = "--scenario and --out are required";
    return error.empty();
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

// Checks `done` every 10 ms until it holds or `ms` have passed.
bool PollUntil(const std::function<bool()>& done, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done())
        if (std::chrono::steady_clock::now() >= deadline) return false;
        else ::poll(nullptr, 0, 10);
    return true;
}

// Starts `args` with stdout in `outFile` when one is named. The child dies with the launcher, so nothing
// outlives a launcher that crashed or was killed by a test timeout.
pid_t Spawn(const std::vector<std::string>& args, const std::string& outFile = "") {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = ::getpid(), pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        if (!outFile.empty()) ::dup2(::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// Waits up to `ms` for `pid` to end, and kills it after that. Its exit status; -1 when it was killed or
// died of a signal.
int Wait(pid_t pid, int ms) {
    int status = 0;
    if (pid < 0) return -1;
    if (!PollUntil([&] { return ::waitpid(pid, &status, WNOHANG) != 0; }, ms)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The simulator's transcript file (one JSON object per line with "sql" and "error": null or {number,
// message}) as the result's list; false with a description for a line of another form.
bool ReadTranscript(const std::string& text, json& out, std::string& error) {
    out = json::array();
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        json e = json::parse(line, nullptr, false);
        if (!e.is_object() || !e.contains("sql")) return error = "transcript line without sql: " + line, false;
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
    const std::string dataDir = base + "/DATA", toolDir = base + "/TOOL", simOut = base + "/sim.out";
    const std::string transcriptFile = base + "/transcript.json", harnessOut = base + "/harness.json";
    std::error_code ec;
    fs::remove_all(base, ec);
    fs::create_directories(dataDir, ec);
    fs::create_directories(toolDir, ec);
    if (ec) return Usage("cannot create " + base + ": " + ec.message());

    // The simulator on a free port, which it names on its first line.
    std::vector<std::string> simArgs{Setting("QM_SQLSIM", QM_SQLSIM_PATH),
                                     "--scenario",
                                     fs::absolute(opt.scenario).string(),
                                     "--data-dir",
                                     dataDir,
                                     "--transcript",
                                     transcriptFile,
                                     "--windows-paths",
                                     "--port",
                                     "0",
                                     "--held-files",
                                     base + "/held.txt"};
    if (!opt.dropAt.empty()) simArgs.insert(simArgs.end(), {"--drop-at", opt.dropAt});
    const pid_t sim = Spawn(simArgs, simOut);
    int port = 0;
    PollUntil(
        [&] {
            const std::string line = ReadText(simOut);
            return line.find('\n') != line.npos && std::sscanf(line.c_str(), "listening on 127.0.0.1:%d", &port) == 1;
        },
        20000);
    auto stopSim = [&] {
        if (sim > 0 && ::kill(sim, SIGTERM) == 0) Wait(sim, 5000);
    };
    if (port <= 0) {
        stopSim();
        fs::remove_all(base, ec);
        std::cerr << "quillmere-e2e: the simulator did not report its port (program " << simArgs[0] << ")\n";
        return 1;
    }
    const auto j = json::parse(scenarioText, nullptr, false);
    std::ofstream(toolDir + "/Config.ini", std::ios::binary)
        << "[Login]\r\nServer=127.0.0.1," << port
        << "\r\nSa=sa\r\nPwd=" << (j.is_object() ? j.value("/logins/sa"_json_pointer, std::string()) : std::string())
        << "\r\n";

    opt.harness["tool_dir"] = WinePath(toolDir);
    opt.harness["data_dir"] = WinePath(dataDir);
    opt.harness["out"] = WinePath(harnessOut);
    opt.harness["held_files"] = WinePath(base + "/held.txt");
    std::ofstream(base + "/options.json", std::ios::binary) << opt.harness.dump();
    const std::vector<std::string> harness{Setting("QM_E2E_WINE_RUN", QM_E2E_WINE_RUN),
                                           Setting("QM_E2E_HARNESS", QM_E2E_HARNESS), WinePath(base + "/options.json")};
    int status = Wait(Spawn(harness), kHarnessTimeoutMs);
    // Once in a while Wine ends at once, before the program runs (seen under load on a busy machine). A
    // run that wrote nothing and sent the server nothing changed nothing, so it is tried once more, with
    // Wine's own error messages on.
    if (status != 0 && status != 2 && !fs::exists(harnessOut) && ReadText(transcriptFile).empty()) {
        std::cerr << "quillmere-e2e: Wine ended (status " << status
                  << ") before the program wrote anything; trying once more\n";
        ::setenv("WINEDEBUG", "err+all,fixme-all", 1);
        status = Wait(Spawn(harness), kHarnessTimeoutMs);
    }
    stopSim();

    // The harness wrote what the operator saw; the launcher adds what the server received and the disk.
    json result = json::parse(ReadText(harnessOut), nullptr, false);
    if (status < 0) std::cerr << "quillmere-e2e: the harness died or ran past its time\n";
    if (!result.is_object()) {
        std::cerr << "quillmere-e2e: the harness wrote no result\n";
        result = {{"messages", json::array()}};
        status = 1;
    }
    if (status != 0 && status != 2) status = 1;
    for (const char* key : {"title", "version_text", "product"}) result[key] = result.value(key, "");
    result["data_dir"] = WinePath(dataDir);
    if (!ReadTranscript(ReadText(transcriptFile), result["transcript"], error)) {
        std::cerr << "quillmere-e2e: " << error << "\n";
        status = 1;
    }
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
