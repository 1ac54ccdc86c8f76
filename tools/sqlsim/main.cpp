// quillmere-sqlsim: the SQL Server simulator behind a TDS listener on 127.0.0.1.
//   quillmere-sqlsim --scenario F --data-dir D [--port P] [--transcript T] [--language en|zh-CN]
//                    [--windows-paths] [--drop-at TEXT] [--held-files PATH]
// The first line on stdout is "listening on 127.0.0.1:<port>"; SIGINT or SIGTERM stops it cleanly.
// --windows-paths: file paths are spoken as Wine shows the data folder (Z:\TMP\DATA\X.MDF).
// --drop-at TEXT: the first batch containing TEXT is written to the transcript and never answered;
// every connection is closed and the listener stops. The program itself runs on until SIGINT/SIGTERM,
// so the transcript can still be read and the caller ends it as usual.
// --held-files PATH: PATH lists the files the server holds open (those of each user database online or
// in emergency mode), one UTF-8 line each as the server names them; it is replaced whole after the
// scenario loads and after each batch that changes it, before that batch is answered.
#include "sqlsim/Engine.h"
#include "tds/TdsServer.h"

#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <pthread.h>
#include <sstream>
#include <string>

namespace {

struct Options {
    std::string scenario, dataDir, transcript, language, dropAt;
    int port = 0;
    sqlsim::EngineOptions engine;
};

int Usage(const std::string& why) {
    std::cerr << "quillmere-sqlsim: " << why << "\n"
              << "usage: quillmere-sqlsim --scenario F --data-dir D [--port P] [--transcript T] [--language en]\n"
                 "                        [--windows-paths] [--drop-at TEXT] [--held-files PATH]\n";
    return 2;
}

bool Parse(int argc, char** argv, Options& o, std::string& why) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--windows-paths") {
            o.engine.windowsPaths = true;
            continue;
        }
        if (i + 1 >= argc) {
            why = "missing value after " + a;
            return false;
        }
        const std::string v = argv[++i];
        if (a == "--scenario") o.scenario = v;
        else if (a == "--data-dir") o.dataDir = v;
        else if (a == "--transcript") o.transcript = v;
        else if (a == "--language") o.language = v;
        else if (a == "--held-files") o.engine.heldFiles = v;
        else if (a == "--drop-at") {
            if (v.empty()) {
                why = "--drop-at needs a text";
                return false;
            }
            o.dropAt = v;
        } else if (a == "--port") {
            char* end = nullptr;
            const long p = std::strtol(v.c_str(), &end, 10);
            if (*end || p < 0 || p > 65535) {
                why = "bad port " + v;
                return false;
            }
            o.port = int(p);
        } else {
            why = "unknown option " + a;
            return false;
        }
    }
    if (o.scenario.empty() || o.dataDir.empty()) {
        why = "--scenario and --data-dir are required";
        return false;
    }
    return true;
}

// --language overrides the scenario's own setting, so one scenario serves both message languages.
std::shared_ptr<sqlsim::Engine> Load(const Options& o, std::string& error) {
    if (o.language.empty()) return sqlsim::Engine::FromFile(o.scenario, o.dataDir, error, o.engine);
    std::ifstream f(o.scenario, std::ios::binary);
    if (!f) {
        error = "cannot read scenario " + o.scenario;
        return nullptr;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    nlohmann::json j = nlohmann::json::parse(ss.str(), nullptr, false);
    if (!j.is_object()) {
        error = "scenario is not a JSON object: " + o.scenario;
        return nullptr;
    }
    j["language"] = o.language;
    return sqlsim::Engine::FromJson(j.dump(), o.dataDir, error, o.engine);
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    std::string error;
    if (!Parse(argc, argv, o, error)) return Usage(error);

    // Every thread started from here on inherits the blocked set; the main thread waits for them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    auto engine = Load(o, error);
    if (!engine) {
        std::cerr << "quillmere-sqlsim: " << error << "\n";
        return 1;
    }
    if (!o.transcript.empty() && !engine->SetTranscriptFile(o.transcript, error)) {
        std::cerr << "quillmere-sqlsim: " << error << "\n";
        return 1;
    }

    sqlsim::tds::SessionConfig config;
    config.language = o.language;
    config.dropAt = o.dropAt;
    config.log = [](const std::string& line) { std::cerr << "quillmere-sqlsim: " << line << std::endl; };
    sqlsim::tds::TdsServer server(engine, config);
    if (!server.Start(uint16_t(o.port), error)) {
        std::cerr << "quillmere-sqlsim: " << error << "\n";
        return 1;
    }
    std::printf("listening on 127.0.0.1:%u\n", unsigned(server.Port()));
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stopSignals, &sig);
    server.Stop();
    std::cerr << "quillmere-sqlsim: stopped (" << (sig == SIGINT ? "SIGINT" : "SIGTERM") << ")" << std::endl;
    return 0;
}
