#pragma once
// The control ids of every window, named after the controls. A name means the same control kind in
// each window that has it (cmdConfirm is the OK button of the main window, the message dialog and the
// login dialog alike), so one id per name serves all of them and tests and the end-to-end harness find
// a control by its name.
#include <string_view>

namespace qm::ui {

#define QM_UI_CONTROLS(X)                                                                                            \
    X(labCaption)                                                                                                    \
    X(labAbout) X(imgExit) X(grdTable) X(cmdSelect) X(cmdClear) X(cmdShowAll) X(cmdBrush) X(cmdConfirm) X(cmdCancel) \
        X(cmdStop) X(ProDB) X(labReport) X(imgLogo) X(chkVerify) X(chkBackup) X(chkRepairFindings) X(labHint) X(picExit) X(picWarm) X(picQuery)        \
            X(picError) X(txtMessage) X(cmdYes) X(cmdNo) X(Label1) X(LabToolText) X(labMaker) X(labCopyRight)        \
                X(labServer) X(labUser) X(labPwd) X(txtServerName) X(txtUser) X(txtPwd) X(labStatus) X(cmdPreview)   \
                    X(labRecord) X(cmdCopy)

// Ids start well above IDOK and IDCANCEL, which the dialog keyboard handling sends for Enter and Escape.
enum class Ctl : int {
    kFirst = 1000,
#define QM_UI_CONTROL_ID(name) name,
    QM_UI_CONTROLS(QM_UI_CONTROL_ID)
#undef QM_UI_CONTROL_ID
        kEnd
};

// The id of a control name; 0 for a name no window has.
int ControlIdOf(std::string_view name);
// The name of an id; "" for an id that is not a control's.
std::string_view ControlNameOf(int id);

constexpr int Id(Ctl c) { return int(c); }

} // namespace qm::ui
