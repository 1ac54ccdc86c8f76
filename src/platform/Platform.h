#pragma once
// The adapters the engine works through. The program fills it with the real implementations in one
// place (MakeDefaultPlatform); tests fill it with stand-ins in one place of their own. Every adapter is
// always there: where the real thing is absent, a stand-in that does nothing stands in its place, so no
// caller asks whether it has one. Non-owning: the owner outlives the engine.
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

// A reference to an adapter that can be pointed at another one but never at nothing. Implicit from
// the adapter, so that `platform.files = faultyFiles;` reads as what it does.
template <typename T>
class Ref {
public:
    Ref(T& target) : target_(&target) {}
    T& operator*() const { return *target_; }
    T* operator->() const { return target_; }

private:
    T* target_;
};

struct Platform {
    Ref<ConnectionFactory> connections; // SQL Server (ODBC) and the Jet text of Config.mdb
    Ref<FileSystem> files;
    Ref<HttpClient> http;
    Ref<InstanceGuard> instance;
    Ref<Shell> shell;
    Ref<Clock> clock;
    Ref<Registry> registry;
    Ref<SystemInfo> system;
    Ref<AutomationFactory> automation; // the accounting product's login components
    std::string toolFolder;            // the folder the tool runs from, no trailing separator
};

// Owns the real adapters of this operating system.
struct DefaultPlatform {
    Platform platform;
    std::shared_ptr<void> owned; // keeps the implementations alive
};
DefaultPlatform MakeDefaultPlatform(const std::string& toolFolder);

} // namespace qm
