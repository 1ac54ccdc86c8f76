#pragma once
// Small pieces the frameless windows share: a label that reports clicks, moving a window by its
// background, drawn artwork and text conversion.
#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QPoint>
#include <QString>

#include <string>

class QMouseEvent;
class QPaintEvent;
class QWidget;

namespace qm::ui {

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
inline std::string S(const QString& s) { return s.toStdString(); }

// A label or picture that acts on a left click. It takes the press itself, so pressing on it never
// starts a window move.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent = nullptr);
    ClickLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool pressed_ = false;
};

// Moves a frameless top-level window when its background is dragged with the left button. A press on
// any child control is left to that control. Uses the window system's own move where it offers one and
// follows the mouse itself otherwise.
class WindowDragger {
public:
    // Returns true when the press started a move.
    bool Press(QWidget* window, QMouseEvent* e);
    bool Move(QWidget* window, QMouseEvent* e);
    void Release(QMouseEvent* e);
    bool Dragging() const { return dragging_; }

private:
    bool dragging_ = false;
    QPoint offset_;
};

// A frameless dialog with a drawn title band, moved by dragging its background.
class FramedDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTitleHeight = 28;
    explicit FramedDialog(QWidget* parent = nullptr) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {}

protected:
    // The title label labHint and the close picture picExit in the drawn title band of a window
    // `width` pixels wide. The caller decides what the close picture does.
    void BuildTitleBar(const QString& title, int width);

    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

    QLabel* labHint_ = nullptr;
    ClickLabel* picExit_ = nullptr;

private:
    WindowDragger dragger_;
};

// Artwork drawn at run time.
QPixmap DrawClosePicture(int width, int height);
QPixmap DrawLogoPicture(int size);
// Message kinds' icons: 1 warning, 2 question, 3 error.
QPixmap StandardIcon(int which, int size);

} // namespace qm::ui
