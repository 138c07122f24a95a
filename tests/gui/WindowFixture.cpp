#include "tests/gui/WindowFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include "app/LineSession.h"

namespace tulex::test {

MessageBoxCatcher::MessageBoxCatcher(QMessageBox::StandardButton answer) : answer_(answer) {
    QTimer::singleShot(0, &looks_, [this] { Poll(); });
}

void MessageBoxCatcher::Poll() {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        if (QAbstractButton* button = box->button(answer_))
            button->click();
        else
            box->accept();
        return;
    }
    if (++polls_ < 300) QTimer::singleShot(10, &looks_, [this] { Poll(); });
}

void WindowOnPty::SetUp() {
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
}

void WindowOnPty::OpenPty() {
    ASSERT_TRUE(pty.ok());
    view.OpenPort(QString::fromStdString(pty.slavePath()), "9600");
    ASSERT_TRUE(session().IsPortOpen());
}

}  // namespace tulex::test
