// The real adapters of this operating system, wired into one Platform.
#include "platform/Platform.h"

#include "platform/Automation.h"
#include "platform/CurlHttpClient.h"
#include "platform/WinHttpClient.h"
#include "platform/LocalFileSystem.h"
#include "platform/LocalInstanceGuard.h"
#include "platform/LocalSystemServices.h"
#include "platform/OdbcConnection.h"

namespace qm {
namespace {

struct OwnedAdapters {
    OdbcConnectionFactory connections;
    LocalFileSystem files;
#ifdef _WIN32
    WinHttpClient http;
#else
    CurlHttpClient http;
#endif
    LocalInstanceGuard instance;
    LocalShell shell;
    SystemClock clock;
    LocalRegistry registry;
    LocalSystemInfo system;
    // Touches COM only at its first creation, on the thread that signs in (the windows' thread).
    std::unique_ptr<AutomationFactory> automation = MakeAutomationFactory();
};

} // namespace

DefaultPlatform MakeDefaultPlatform(const std::string& toolFolder) {
    auto owned = std::make_shared<OwnedAdapters>();
    return DefaultPlatform{Platform{.connections = owned->connections,
                                    .files = owned->files,
                                    .http = owned->http,
                                    .instance = owned->instance,
                                    .shell = owned->shell,
                                    .clock = owned->clock,
                                    .registry = owned->registry,
                                    .system = owned->system,
                                    .automation = *owned->automation,
                                    .toolFolder = toolFolder},
                           owned};
}

} // namespace qm
