#include "ui/FrmMsg.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace qm::ui {

std::function<void(FrmMsg&)> FrmMsg::shownHook;

namespace {

constexpr int kWidth = 380;
constexpr int kHeight = 190;

QLabel* MakeIcon(QWidget* parent, const char* name, int which) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setPixmap(StandardIcon(which, 32));
    l->setGeometry(18, FramedDialog::kTitleHeight + 22, 32, 32);
    l->hide();
    return l;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, int left) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(left, kHeight - 40, 72, 26);
    b->hide();
    return b;
}

} // namespace

FrmMsg::FrmMsg(QWidget* parent) : FramedDialog(parent) {
    setObjectName("frmMsg");
    setWindowTitle("提示");
    setFixedSize(kWidth, kHeight);
    setModal(true);

    BuildTitleBar("提示", kWidth);
    connect(picExit_, &ClickLabel::clicked, this, [this] { reject(); });

    picWarm_ = MakeIcon(this, "picWarm", 1);
    picQuery_ = MakeIcon(this, "picQuery", 2);
    picError_ = MakeIcon(this, "picError", 3);

    txtMessage_ = new QPlainTextEdit(this);
    txtMessage_->setObjectName("txtMessage");
    txtMessage_->setReadOnly(true);
    txtMessage_->setFrameShape(QFrame::NoFrame);
    txtMessage_->setGeometry(64, kTitleHeight + 14, kWidth - 80, kHeight - kTitleHeight - 64);

    cmdConfirm_ = MakeButton(this, "cmdConfirm", "确定", kWidth - 90);
    cmdYes_ = MakeButton(this, "cmdYes", "是", kWidth - 170);
    cmdNo_ = MakeButton(this, "cmdNo", "否", kWidth - 90);
    connect(cmdConfirm_, &QPushButton::clicked, this, [this] { Answer(kResultConfirm); });
    connect(cmdYes_, &QPushButton::clicked, this, [this] { Answer(kResultYes); });
    connect(cmdNo_, &QPushButton::clicked, this, [this] { Answer(kResultNo); });
}

int FrmMsg::ShowMsg(int inValue, const std::string& message) {
    const QColor text = palette().color(QPalette::WindowText);
    state_.Take(inValue, message, font().pointSizeF(), uint32_t(text.rgb() & 0xFFFFFF));

    for (QWidget* w : {static_cast<QWidget*>(picWarm_), static_cast<QWidget*>(picQuery_),
                       static_cast<QWidget*>(picError_), static_cast<QWidget*>(cmdConfirm_),
                       static_cast<QWidget*>(cmdYes_), static_cast<QWidget*>(cmdNo_)})
        w->hide();

    txtMessage_->setPlainText(Q(state_.cMsgText));
    QFont f = txtMessage_->font();
    if (state_.iMsgFontSize > 0) f.setPointSize(state_.iMsgFontSize);
    txtMessage_->setFont(f);
    QPalette pal = txtMessage_->palette();
    pal.setColor(QPalette::Text, QColor(QRgb(0xFF000000u | state_.lMsgForeColor)));
    txtMessage_->setPalette(pal);

    const MsgLook look = LookForKind(state_.iMsgType);
    if (look.picture == MsgPicture::Warning) picWarm_->show();
    if (look.picture == MsgPicture::Question) picQuery_->show();
    if (look.picture == MsgPicture::Error) picError_->show();
    cmdConfirm_->setVisible(look.confirm);
    cmdYes_->setVisible(look.yesNo);
    cmdNo_->setVisible(look.yesNo);
    if (look.confirm) cmdConfirm_->setDefault(true);
    if (look.yesNo) cmdYes_->setDefault(true);

    // A nested call while the window is open only changes what it shows.
    if (isVisible()) return 0;

    QTimer::singleShot(0, this, [this] {
        if (!isVisible()) return;
        if (shownHook) shownHook(*this);
    });
    exec();
    return state_.iMsgResult;
}

bool FrmMsg::Press(const std::string& controlName) {
    if (controlName == "picExit") {
        if (!isVisible()) return false;
        emit picExit_->clicked();
        return true;
    }
    auto* b = findChild<QPushButton*>(Q(controlName));
    if (!b || !b->isVisible()) return false;
    b->click();
    return true;
}

void FrmMsg::Answer(int result) {
    state_.iMsgResult = int16_t(result);
    reject();
}





} // namespace qm::ui
