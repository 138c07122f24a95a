#include "gui/EventListPanel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <iterator>

#include "app/EventFeed.h"
#include "gui/EventListModel.h"

namespace tulex {

namespace {

// A search over a full list takes a moment: it starts once typing pauses.
constexpr int kSearchDelayMs = 250;

}  // namespace

EventListPanel::EventListPanel(QWidget* parent)
    : QDockWidget(QStringLiteral("События"), parent), searchDelay_(new QTimer(this)) {
    setObjectName(QStringLiteral("eventList"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    auto* body = new QWidget(this);
    searchBox = new QLineEdit(body);
    searchBox->setObjectName(QStringLiteral("eventSearchBox"));
    searchBox->setPlaceholderText(QStringLiteral("Поиск: индекс, номер карты, заголовок, направление"));
    searchBox->setClearButtonEnabled(true);
    countLabel = new QLabel(body);
    countLabel->setObjectName(QStringLiteral("eventCountLabel"));
    clearButton = new QPushButton(QStringLiteral("Очистить"), body);
    clearButton->setObjectName(QStringLiteral("eventClearButton"));
    clearButton->setAutoDefault(false);
    table = new QTableView(body);
    table->setObjectName(QStringLiteral("eventTable"));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setAlternatingRowColors(true);
    table->verticalHeader()->hide();
    // Every row the same height: the view never measures rows.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setMinimumHeight(150);

    auto* top = new QHBoxLayout;
    top->addWidget(searchBox, 1);
    top->addWidget(countLabel);
    top->addWidget(clearButton);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(table);
    setWidget(body);

    searchDelay_->setSingleShot(true);
    searchDelay_->setInterval(kSearchDelayMs);
    connect(searchBox, &QLineEdit::textChanged, searchDelay_, qOverload<>(&QTimer::start));
    connect(searchDelay_, &QTimer::timeout, this, &EventListPanel::applySearch);
    connect(searchBox, &QLineEdit::returnPressed, this, &EventListPanel::applySearch);
    connect(clearButton, &QPushButton::clicked, this, [this] {
        if (!feed_) return;
        feed_->Clear();
        refresh();
    });
    updateCount();
}

void EventListPanel::setFeed(EventFeed* feed) {
    feed_ = feed;
    model_ = new EventListModel(*feed_, this);
    table->setModel(model_);
    const int widths[] = {90, 50, 100, 170, 90, 70};
    for (int column = 0; column < static_cast<int>(std::size(widths)); ++column)
        table->setColumnWidth(column, widths[column]);
    updateCount();
}

void EventListPanel::refresh() {
    if (!model_) return;
    QScrollBar* bar = table->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    model_->refresh();
    if (atEnd) table->scrollToBottom();
    updateCount();
}

void EventListPanel::applySearch() {
    searchDelay_->stop();
    if (!model_) return;
    model_->setSearchText(searchBox->text().trimmed());
    table->scrollToBottom();
    updateCount();
}

void EventListPanel::updateCount() { countLabel->setText(model_ ? model_->countText() : QStringLiteral("Событий: 0")); }

}  // namespace tulex
