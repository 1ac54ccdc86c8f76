#include "ui/UiCommon.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QWidget>
#include <QWindow>

namespace qm::ui {

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {}
ClickLabel::ClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void ClickLabel::mousePressEvent(QMouseEvent* e) {
    pressed_ = e->button() == Qt::LeftButton;
    e->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* e) {
    const bool wasPressed = pressed_;
    pressed_ = false;
    e->accept();
    if (wasPressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
}

bool WindowDragger::Press(QWidget* window, QMouseEvent* e) {
    dragging_ = false;
    if (e->button() != Qt::LeftButton) return false;
    if (window->childAt(e->position().toPoint()) != nullptr) return false;
    e->accept();
    // The window system's move behaves like a grabbed title bar (snapping, screen edges).
    if (QWindow* handle = window->windowHandle(); handle && handle->startSystemMove()) return true;
    dragging_ = true;
    offset_ = e->globalPosition().toPoint() - window->frameGeometry().topLeft();
    return true;
}

bool WindowDragger::Move(QWidget* window, QMouseEvent* e) {
    if (!dragging_ || !(e->buttons() & Qt::LeftButton)) return false;
    window->move(e->globalPosition().toPoint() - offset_);
    e->accept();
    return true;
}

void WindowDragger::Release(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) dragging_ = false;
}

QPixmap DrawClosePicture(int width, int height) {
    QPixmap pm(width, height);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(1, 1, width - 2, height - 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(196, 43, 28));
    p.drawRoundedRect(box, 3, 3);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    const qreal m = std::min(width, height) * 0.3;
    p.drawLine(QPointF(box.left() + m, box.top() + m), QPointF(box.right() - m, box.bottom() - m));
    p.drawLine(QPointF(box.right() - m, box.top() + m), QPointF(box.left() + m, box.bottom() - m));
    return pm;
}

QPixmap DrawLogoPicture(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(32, 96, 168));
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    // A quill: one slanted stroke with a nib.
    QPainterPath quill;
    quill.moveTo(size * 0.30, size * 0.75);
    quill.cubicTo(size * 0.40, size * 0.45, size * 0.55, size * 0.30, size * 0.75, size * 0.22);
    quill.cubicTo(size * 0.65, size * 0.40, size * 0.50, size * 0.60, size * 0.30, size * 0.75);
    p.setBrush(Qt::white);
    p.drawPath(quill);
    return pm;
}

QPixmap StandardIcon(int which, int size) {
    QStyle::StandardPixmap sp = QStyle::SP_MessageBoxWarning;
    if (which == 2) sp = QStyle::SP_MessageBoxQuestion;
    if (which == 3) sp = QStyle::SP_MessageBoxCritical;
    return QApplication::style()->standardIcon(sp).pixmap(size, size);
}

void FramedDialog::BuildTitleBar(const QString& title, int width) {
    labHint_ = new QLabel(title, this);
    labHint_->setObjectName("labHint");
    labHint_->setGeometry(12, 0, 200, kTitleHeight);
    QFont bold = labHint_->font();
    bold.setBold(true);
    labHint_->setFont(bold);
    labHint_->setStyleSheet("color: white;");

    picExit_ = new ClickLabel(this);
    picExit_->setObjectName("picExit");
    picExit_->setToolTip("关闭");
    picExit_->setPixmap(DrawClosePicture(22, 20));
    picExit_->setGeometry(width - 28, 4, 22, 20);
}

void FramedDialog::mousePressEvent(QMouseEvent* e) {
    if (!dragger_.Press(this, e)) QDialog::mousePressEvent(e);
}

void FramedDialog::mouseMoveEvent(QMouseEvent* e) {
    if (!dragger_.Move(this, e)) QDialog::mouseMoveEvent(e);
}

void FramedDialog::mouseReleaseEvent(QMouseEvent* e) {
    dragger_.Release(e);
    QDialog::mouseReleaseEvent(e);
}

void FramedDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(245, 247, 250));
    p.fillRect(QRect(0, 0, width(), kTitleHeight), QColor(40, 90, 160));
    p.setPen(QColor(40, 90, 160));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace qm::ui
