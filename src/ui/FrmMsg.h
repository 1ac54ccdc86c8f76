#pragma once
// frmMsg: the tool's own modal message box. One instance is reused and keeps its values between calls;
// its window exists only while it is shown.
#include "app/Interfaces.h"
#include "ui/MsgState.h"
#include "ui/WinFrame.h"

#include <functional>
#include <string>

namespace qm::ui {

class FrmMsg final : public FramedWindow, public MsgDialog {
public:
    FrmMsg() = default;
    ~FrmMsg() override { DestroyFramed(); }

    // Shows the message modally, unless the window is already open: then the open window takes the new
    // message and buttons and the call gives 0 at once. Results: OK -1, Yes 1, No 0, close picture 0.
    int ShowMsg(int inValue, const std::string& message) override;

    const MsgState& State() const { return state_; }

    // Seam so that no test or harness waits for a person: called with the instance each time its modal
    // window is up; press its controls by id (BM_CLICK) to answer.
    static std::function<void(FrmMsg&)> shownHook;

protected:
    void OnCommand(int id, int code) override;
    void OnCloseRequest() override { EndModal(); }
    void OnShown() override;

private:
    void Build();
    void Answer(int result);
    HWND DefaultButton() const;

    MsgState state_;
};

} // namespace qm::ui
