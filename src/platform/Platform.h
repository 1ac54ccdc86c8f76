#pragma once
// The adapters the engine works through. The application fills it with the real implementations
// (MakeDefaultPlatform); tests put in stand-ins. Non-owning pointers: the owner outlives the engine.
#include <memory>
#include <string>

namespace qm {

class ConnectionFactory;
class FileSystem;
class HttpClient;
class InstanceGuard;
class Shell;
class Clock;
class Registry;
class SystemInfo;
class AutomationFactory;

struct Platform {
    ConnectionFactory* connections = nullptr;  // SQL Server (ODBC) and the Jet text of Config.mdb
    FileSystem* files = nullptr;
    HttpClient* http = nullptr;
    InstanceGuard* instance = nullptr;
    Shell* shell = nullptr;
    Clock* clock = nullptr;
    Registry* registry = nullptr;
    SystemInfo* system = nullptr;
    AutomationFactory* automation = nullptr;
    std::string toolFolder;                     // the folder the tool runs from, no trailing separator
};

// Owns the real adapters of this operating system.
struct DefaultPlatform {
    Platform platform;
    std::shared_ptr<void> owned;  // keeps the implementations alive
};
DefaultPlatform MakeDefaultPlatform(const std::string& toolFolder);

} // namespace qm
