#pragma once
// frmAbout: product name and version, the maker's address, the copyright line and a warning. Not modal;
// one instance is reused.
#include "ui/UiCommon.h"

#include <QDialog>

#include <string>

class QPlainTextEdit;

namespace qm {
class Shell;
}

namespace qm::ui {

// The page opened when an address is empty.
inline constexpr const char* kDefaultWebPage = "https://www.yonyou.com/";

// Opens the address with the shell; an empty address is first replaced by the default page (and the
// caller's variable receives it). Without a shell the desktop's own URL handler is used. Always true.
bool OpenUrl(std::string& address, QWidget* owner, Shell* shell);

class FrmAbout : public FramedDialog {
    Q_OBJECT
public:
    explicit FrmAbout(Shell* shell, QWidget* parent = nullptr);

    // Set by the opener before Open(); empty ones get their defaults.
    std::string cAboutName;
    std::string cAboutVersion;
    std::string cAboutMaker;
    std::string cAboutCopyright;
    std::string cAboutWarning;

    // Fills the controls from the texts and shows the window without making it modal.
    void Open();
    // The load steps alone: defaults for empty texts, then the controls.
    void ApplyTexts();

private:
    void OpenMaker();

    Shell* shell_;
    QLabel* label1_ = nullptr;
    QLabel* labToolText_ = nullptr;
    ClickLabel* labMaker_ = nullptr;
    QLabel* labCopyRight_ = nullptr;
    QPlainTextEdit* txtMessage_ = nullptr;
    ClickLabel* imgLogo_ = nullptr;
};

} // namespace qm::ui
