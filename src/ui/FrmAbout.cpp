#include "ui/FrmAbout.h"

#include "platform/SystemServices.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QUrl>

namespace qm::ui {

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 260;

constexpr const char* kDefaultName = "未命名";
constexpr const char* kDefaultVersion = "V1.0";
// Without a maker address the line shows, and a click opens, the default page.
constexpr const char* kDefaultMaker = kDefaultWebPage;
constexpr const char* kDefaultCopyright = "版权所有 (C) Quillmere";
constexpr const char* kDefaultWarning =
    "警告：本软件受著作权法和国际条约保护。未经许可，擅自复制、传播本软件的全部或部分，"
    "将依法承担相应的法律责任。修复前请先备份数据库文件。";

} // namespace

bool OpenUrl(std::string& address, QWidget* owner, Shell* shell) {
    (void)owner;  // the shell call needs no owner window here; kept for the callers' symmetry
    if (address.empty()) address = kDefaultWebPage;
    if (!address.empty()) {
        if (shell)
            shell->Open(address);
        else
            QDesktopServices::openUrl(QUrl::fromUserInput(Q(address)));
    }
    return true;
}

FrmAbout::FrmAbout(Shell* shell, QWidget* parent)
    : FramedDialog(parent), shell_(shell) {
    setObjectName("frmAbout");
    setWindowTitle("关于");
    setFixedSize(kWidth, kHeight);
    setModal(false);

    BuildTitleBar("关于", kWidth);
    connect(picExit_, &ClickLabel::clicked, this, [this] { close(); });

    imgLogo_ = new ClickLabel(this);
    imgLogo_->setObjectName("imgLogo");
    imgLogo_->setPixmap(DrawLogoPicture(48));
    imgLogo_->setGeometry(20, kTitleHeight + 16, 48, 48);
    imgLogo_->setCursor(Qt::PointingHandCursor);
    connect(imgLogo_, &ClickLabel::clicked, this, &FrmAbout::OpenMaker);

    labToolText_ = new QLabel(this);
    labToolText_->setObjectName("LabToolText");
    QFont big = labToolText_->font();
    big.setPointSize(12);
    big.setBold(true);
    labToolText_->setFont(big);
    labToolText_->setGeometry(84, kTitleHeight + 14, kWidth - 100, 26);

    labMaker_ = new ClickLabel(this);
    labMaker_->setObjectName("labMaker");
    labMaker_->setGeometry(84, kTitleHeight + 42, kWidth - 100, 20);
    labMaker_->setCursor(Qt::PointingHandCursor);
    labMaker_->setStyleSheet("color: #1a56a8; text-decoration: underline;");
    connect(labMaker_, &ClickLabel::clicked, this, &FrmAbout::OpenMaker);

    label1_ = new QLabel("版权信息", this);
    label1_->setObjectName("Label1");
    label1_->setFont(labHint_->font());
    label1_->setGeometry(20, kTitleHeight + 80, 120, 20);

    labCopyRight_ = new QLabel(this);
    labCopyRight_->setObjectName("labCopyRight");
    labCopyRight_->setGeometry(20, kTitleHeight + 102, kWidth - 40, 20);

    txtMessage_ = new QPlainTextEdit(this);
    txtMessage_->setObjectName("txtMessage");
    txtMessage_->setReadOnly(true);
    txtMessage_->setGeometry(20, kTitleHeight + 128, kWidth - 40, kHeight - kTitleHeight - 144);
}

void FrmAbout::ApplyTexts() {
    if (cAboutName.empty()) cAboutName = kDefaultName;
    if (cAboutVersion.empty()) cAboutVersion = kDefaultVersion;
    if (cAboutMaker.empty()) cAboutMaker = kDefaultMaker;
    if (cAboutCopyright.empty()) cAboutCopyright = kDefaultCopyright;
    if (cAboutWarning.empty()) cAboutWarning = kDefaultWarning;
    labToolText_->setText(Q(cAboutName + cAboutVersion));
    labMaker_->setText(Q(cAboutMaker));
    labCopyRight_->setText(Q(cAboutCopyright));
    txtMessage_->setPlainText(Q(cAboutWarning));
}

void FrmAbout::Open() {
    ApplyTexts();
    show();
    raise();
    activateWindow();
}

void FrmAbout::OpenMaker() { OpenUrl(cAboutMaker, this, shell_); }





} // namespace qm::ui
