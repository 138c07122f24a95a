#pragma once
// The plan window ("План" in the main menu): the plan's table with each
// row's state in its colour, the progress "3 из 24", what the run waits for
// from the operator, and the buttons to open a plan, check the line
// against it, apply it, stop, and save the report. A top-level window of
// its own; closing it only hides it (a run goes on). The logic is PlanBoard
// (plan/); this class only shows and forwards.

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tulex {

class CommandContext;
namespace plan {
class PlanBoard;
}

class PlanWindow : public QWidget {
    Q_OBJECT

public:
    // portAndSpeed: what the report names as the line (the port box's name
    // and the speed box's text).
    PlanWindow(CommandContext& context, std::function<std::pair<std::string, std::string>()> portAndSpeed);
    ~PlanWindow() override;

    // Loads a plan file, telling its errors in a message box; true if loaded.
    bool OpenPlan(const QString& path);
    // "Проверить" and "Применить"; a refusal is told in a message box.
    void StartAudit();
    void StartApply();
    void Stop();
    // "Отчёт...": asks where, then writes the HTML and the JSON.
    void SaveReport();
    void SaveReportTo(const QString& htmlPath);

    plan::PlanBoard& board() { return *board_; }

    QTableWidget* table;
    QLabel* fileLabel;
    QLineEdit* factoryEdit;
    QLabel* promptLabel;
    QLabel* progressLabel;
    QPushButton* openButton;
    QPushButton* auditButton;
    QPushButton* applyButton;
    QPushButton* stopButton;
    QPushButton* reportButton;

private:
    void Refresh();
    void Start(bool apply);
    void Warn(const QString& text);

    std::unique_ptr<plan::PlanBoard> board_;
    std::function<std::pair<std::string, std::string>()> portAndSpeed_;
};

}  // namespace tulex
