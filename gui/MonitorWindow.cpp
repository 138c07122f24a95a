#include "gui/MonitorWindow.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QVBoxLayout>

#include "gui/MonitorView.h"

namespace tulex {

MonitorWindow::MonitorWindow(const MonitorLineStore* store) : QWidget(nullptr), view_(new MonitorView(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Title(false));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    view_->setFont(MonitorFont());
    view_->setStore(store);
}

QString MonitorWindow::Title(bool paused) {
    return paused ? QStringLiteral("ТУЛЕКС Монитор (ПАУЗА)") : QStringLiteral("ТУЛЕКС Монитор");
}

QFont MonitorWindow::MonitorFont() {
    QFont font(QStringLiteral("Lucida Console"));
    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    if (QFontInfo(font).family() != QLatin1String("Lucida Console")) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPixelSize(13);
        font.setStyleHint(QFont::Monospace);
        font.setFixedPitch(true);
    }
    return font;
}

void MonitorWindow::showBelow(const QWidget* owner) {
    if (owner) {
        const QRect frame = owner->frameGeometry();
        // The frame of this window is not known before it is shown; take the
        // owner's decoration sizes as the best guess.
        const int decorationWidth = frame.width() - owner->width();
        const int decorationHeight = frame.height() - owner->geometry().height();
        resize(std::max(100, frame.width() - decorationWidth), std::max(50, kHeight - decorationHeight));
        move(frame.left(), frame.bottom() + 1);
    } else {
        resize(692, kHeight);
    }
    show();
}

void MonitorWindow::restore() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void MonitorWindow::setPaused(bool paused) { setWindowTitle(Title(paused)); }

void MonitorWindow::closeEvent(QCloseEvent* event) {
    emit closed();
    QWidget::closeEvent(event);
}

}  // namespace tulex
