#pragma once
// What the window tests share: a catcher that answers the next message box
// and keeps what it said, and the main window shown with its port on a
// pseudo-terminal.

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QObject>
#include <QString>

#include "gui/MainView.h"
#include "gui/MainWindow.h"
#include "tests/support/Pty.h"

namespace tulex::test {

// Answers the next modal message box (with its default button, or the one
// given) and keeps its caption, text and icon. It looks for the box every
// 10 ms for up to 3 s, and stops looking when it goes out of scope.
class MessageBoxCatcher {
public:
    explicit MessageBoxCatcher(QMessageBox::StandardButton answer = QMessageBox::NoButton);

    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;

private:
    void Poll();

    QMessageBox::StandardButton answer_;
    int polls_ = 0;
    QObject looks_;  // the pending looks belong to it and end with it
};

// The main window, shown; OpenPty opens its port on the pseudo-terminal at
// 9600, whose master side the test writes the line's bytes to.
class WindowOnPty : public ::testing::Test {
protected:
    void SetUp() override;
    MainWindow& w() { return view.window(); }
    LineSession& session() { return view.session(); }
    void OpenPty();

    Pty pty;
    MainView view{QStringList{"tulex"}};
};

}  // namespace tulex::test
