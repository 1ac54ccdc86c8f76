#pragma once
// frmMsg: the tool's own modal message box. One instance is reused; its kept values survive between
// calls.
#include "app/Interfaces.h"
#include "ui/MsgState.h"
#include "ui/UiCommon.h"

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace qm::ui {

class FrmMsg : public FramedDialog, public MsgDialog {
    Q_OBJECT
public:
    explicit FrmMsg(QWidget* parent = nullptr);

    // Shows the message; modal unless the window is already open (then the open window takes the new
    // message and the call gives 0 at once). Results: OK -1, Yes 1, No 0, close picture 0.
    int ShowMsg(int inValue, const std::string& message) override;

    const MsgState& State() const { return state_; }

    // Seam so that no test (or harness) waits for a person: every modal showing of any instance calls
    // this once it is up (e.g. to record and answer).
    static std::function<void(FrmMsg&)> shownHook;
    // Presses a control by object name as the operator would; false for an unknown or hidden one.
    bool Press(const std::string& controlName);

private:
    void Answer(int result);

    MsgState state_;

    QLabel* picWarm_ = nullptr;
    QLabel* picQuery_ = nullptr;
    QLabel* picError_ = nullptr;
    QPlainTextEdit* txtMessage_ = nullptr;
    QPushButton* cmdConfirm_ = nullptr;
    QPushButton* cmdYes_ = nullptr;
    QPushButton* cmdNo_ = nullptr;
};

} // namespace qm::ui
