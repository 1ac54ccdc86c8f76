#pragma once
// What the widget tests share: one QApplication for the process and stand-ins for the shell.
#include "platform/SystemServices.h"

#include <QApplication>
#include <QWidget>

#include <string>
#include <vector>

namespace qmtest {

inline QApplication& App() {
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    // Lives until the process ends; the windows of a test may outlive its fixture's scope.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Declared as a fixture's first member, so the application exists before any widget member.
struct AppHolder {
    AppHolder() { App(); }
};

class RecordingShell : public qm::Shell {
public:
    void Open(const std::string& address) override { opened.push_back(address); }
    std::vector<std::string> opened;
};

template <class T>
T* Child(QWidget* w, const char* name) {
    return w->findChild<T*>(QString::fromUtf8(name));
}

} // namespace qmtest
