#pragma once
// The converter commands: the converter button (converterButton), the handlers
// of the converter menu and their two workers. The handlers run on the UI thread; the
// workers wait for the converter's answers that the receive thread hands
// over through ConverterTransaction, and show their outcome in a message box on the UI
// thread while they wait for it to be closed.

#include <atomic>
#include <mutex>
#include <string>

namespace tulex {

class CommandContext;

class ConverterCommands {
public:
    // How the last converter command ended (front ends that print outcomes).
    enum class Outcome {
        None,     // still running, or ended without an outcome
        Report,   // a read completed: the report was shown
        Done,     // "Команда отправлена." / "Диапазон опроса изменен"
        Error,    // the converter answered "#"
        Timeout,  // no answer in time
    };
    struct Result {
        Outcome outcome = Outcome::None;
        std::string report;  // the report text for Outcome::Report
    };

    explicit ConverterCommands(CommandContext& context) : context_(context) {}

    // converterButton: true when the converter menu may open (the port is open; the
    // front end opens it at the pointer); otherwise the port warning.
    bool OpenConverterMenu();

    // The converter menu items. Each returns true when its worker was started, false
    // when the dialog was cancelled, the input refused or the port is closed.
    bool ReadConverterParameters();  // "Читать параметры"
    bool ChangePollRange();          // "Изменить диапазон опроса"
    bool RunConverterCommand();      // "Выполнить команду"

    // True from a handler's start until its worker's clean-up is done.
    bool Running() const { return running_.load(); }
    Result LastResult() const;

private:
    bool StartWorker(void (ConverterCommands::*worker)(const std::string&), std::string successText);
    void ReadWorker(const std::string&);
    void SingleCommandWorker(const std::string& successText);
    // Shows a message box on the UI thread and returns when it was closed.
    void ShowMessageAndWait(const char* caption, const std::string& text, bool warning);
    void SetResult(Outcome outcome, std::string report = {});
    // The two failures of a converter exchange: an error reply, and no reply
    // in time ("   TIMEOUT" in the monitor).
    void ShowErrorReply();
    void ShowTimeout();
    void CleanUp();
    bool PortOpenOrWarn();

    CommandContext& context_;
    std::atomic<bool> running_{false};
    mutable std::mutex resultMutex_;
    Result result_;
};

// Texts of the converter commands.
inline constexpr const char* kConverterUnavailable = "Параметры преобразователя недоступны.";
inline constexpr const char* kConverterTimeout = "Время ожидания ответа истекло.";
inline constexpr const char* kPollRangeChanged = "Диапазон опроса изменен";
inline constexpr const char* kCommandSent = "Команда отправлена.";

}  // namespace tulex
