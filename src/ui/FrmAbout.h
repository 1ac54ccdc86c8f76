#pragma once
// frmAbout: product name and version, the maker's address, the copyright line and a warning. Not
// modal; one instance serves every opening, its window exists while it is shown.
#include "platform/SystemServices.h"
#include "ui/WinFrame.h"

#include <string>

namespace qm::ui {

// The page opened when an address is empty.
inline constexpr const char* kDefaultWebPage = "https://www.yonyou.com/";

// Opens the address through the shell; an empty address is first replaced by the default page (and the
// caller's variable receives it). The outcome is not checked. Always true.
bool OpenUrl(std::string& address, HWND owner, Shell& shell);

class FrmAbout final : public FramedWindow {
public:
    explicit FrmAbout(Shell& shell) : shell_(shell) {}
    ~FrmAbout() override { DestroyFramed(); }

    // Set by the opener before Open(); empty ones get their defaults when the window loads.
    std::string cAboutName;
    std::string cAboutVersion;
    std::string cAboutMaker;
    std::string cAboutCopyright;
    std::string cAboutWarning;

    // Loads the window (defaults for empty texts, then the controls) and shows it without making it modal.
    void Open(HWND owner);

protected:
    void OnCommand(int id, int code) override;
    void OnCloseRequest() override { DestroyFramed(); }

private:
    void Build(HWND owner);

    Shell& shell_;
};

} // namespace qm::ui
