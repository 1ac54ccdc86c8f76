#pragma once
// frmPreview: what a repair would do to the ticked databases, as a read-only text the operator can
// select and copy (复制全部 copies the whole). Not modal; one instance serves every opening, its window
// exists while it is shown.
#include "ui/WinFrame.h"

#include <string>

namespace qm::ui {

class FrmPreview final : public FramedWindow {
public:
    FrmPreview() = default;
    ~FrmPreview() override { DestroyFramed(); }

    // Shows `text` (lines ending in CR LF), making the window first when it is not there.
    void Open(HWND owner, const std::string& text);

protected:
    void OnCommand(int id, int code) override;
    void OnCloseRequest() override { DestroyFramed(); }

private:
    void Build(HWND owner);
};

} // namespace qm::ui
