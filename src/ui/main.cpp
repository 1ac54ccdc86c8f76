// quillmere.exe: builds the real adapters and windows, runs the start-up sequence and, once the main
// window is up, the message loop.
#include "login/ClsUFLogin.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "startup/Startup.h"
#include "ui/FrmMain.h"
#include "ui/FrmMsg.h"
#include "ui/WinStartupWindows.h"

#include <memory>

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The shared message dialog, and the login wrapper's own one; made first so that they outlive the
    // shared state and the wrapper it holds.
    qm::ui::FrmMsg frmMsg;
    qm::ui::FrmMsg loginMsg;

    qm::DefaultPlatform platform = qm::MakeDefaultPlatform(qm::ExecutableFolder());
    qm::AppState app(platform.platform);
    app.frmMsg = &frmMsg;
    app.makeLoginWrapper = [&app, &loginMsg] { return qm::MakeProductLogin(app, &loginMsg); };

    qm::MainModel model;
    qm::ui::WinStartupWindows windows(app, *platform.platform.connections, frmMsg, [&model](qm::AppState& a) {
        return std::make_unique<qm::ui::FrmMain>(a, model);
    });
    // The end path: its message (if any) has been shown. A start-up that was refused or failed with a
    // message ends with 1, a cancelled sign-in with 0.
    if (!qm::Main(app, windows)) return app.cMsg.empty() ? 0 : 1;

    return qm::ui::RunMessageLoop();
}
