// The real adapters of this operating system, wired into one Platform.
#include "platform/Platform.h"

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
};

} // namespace

DefaultPlatform MakeDefaultPlatform(const std::string& toolFolder) {
    auto owned = std::make_shared<OwnedAdapters>();
    DefaultPlatform result;
    Platform& p = result.platform;
    p.connections = &owned->connections;
    p.files = &owned->files;
    p.http = &owned->http;
    p.instance = &owned->instance;
    p.shell = &owned->shell;
    p.clock = &owned->clock;
    p.registry = &owned->registry;
    p.system = &owned->system;
    // The accounting product's automation objects are wired by the login layer.
    p.automation = nullptr;
    p.toolFolder = toolFolder;
    result.owned = owned;
    return result;
}

} // namespace qm
