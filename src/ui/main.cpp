// quillmere: the application. Builds the real adapters and windows, runs the start-up sequence and,
// once the main window is up, the event loop.
#include "app/AppState.h"
#include "app/Startup.h"
#include "discovery/AccountGrid.h"
#include "login/ClsUFLogin.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "ui/FrmMain.h"
#include "ui/FrmMsg.h"
#include "ui/QtStartup.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(qm::kToolTitle));

    // The shared message dialog, and the login wrapper's own one; made first so that they outlive the
    // shared state and the wrapper it holds.
    qm::ui::FrmMsg frmMsg;
    qm::ui::FrmMsg loginMsg;

    qm::DefaultPlatform platform = qm::MakeDefaultPlatform(qm::ExecutableFolder());
    qm::AppState app(platform.platform);
    app.frmMsg = &frmMsg;
    app.makeLoginWrapper = [&app, &loginMsg] { return qm::MakeProductLogin(app, &loginMsg); };

    qm::MainModel model;
    qm::QtStartupWindows windows(app, [&model](qm::AppState& a) -> std::unique_ptr<QWidget> {
        return std::make_unique<qm::ui::FrmMain>(a, model);
    });

    // The end path: the message (if any) has been shown; end without running any window's close events.
    // A start-up that was refused or failed with a message ends with 1, a cancelled sign-in with 0.
    if (!qm::Main(app, windows)) return app.cMsg.empty() ? 0 : 1;
    return qapp.exec();
}
