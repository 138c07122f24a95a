#pragma once
// The handlers of the controller menu and the search button.
// Every handler runs on the UI thread: it checks the port, asks for its
// input where it has one, and starts its worker as a command transaction.
//
// Where the handlers are defined:
//   app/QueryCommands.cpp         CheckPresence, ReadParameters, ChangeIndex
//   app/ConfigurationCommands.cpp ApplyPreset, SetMode, the master card, SetRelayTime
//   app/DiagnosticCommands.cpp    TestMemory, TestLine, TestRelay, RunRawCommand
//   app/SearchCommand.cpp         SearchControllers
//   app/ControllerCommands.cpp    CheckPort, CanStart
//   app/ControllerMenu.cpp        Run

#include <mutex>
#include <optional>
#include <string>

#include "app/ControllerMenu.h"
#include "app/Summaries.h"

namespace tulex {

class CommandContext;

// The standard parameter sets of "Задать параметры по стандарту", in menu order.
enum class Preset {
    DoorWithoutSensor,
    DoorWithSensor,
    TurnstileWithoutConfirmation,
    TurnstileWithConfirmation,
    RegistrationTerminal
};
// The operating modes of "Задать режим работы контроллера".
enum class Mode { Offline, Online, Autonomous };

class ControllerCommands {
public:
    explicit ControllerCommands(CommandContext& context) : context_(context) {}

    // --- queries
    void CheckPresence();   // "Проверить наличие контроллера"
    void ReadParameters();  // "Читать параметры контроллера"
    void ChangeIndex();     // "Изменить индекс контроллера"

    // --- settings
    void ApplyPreset(Preset preset);  // "Задать параметры по стандарту"
    void SetMode(Mode mode);          // "Задать режим работы контроллера"
    void SetMasterCard();             // "Задать мастер-карту"
    void ReadMasterCard();            // "Читать мастер-карту"
    void SetRelayTime(int relay);     // "Задать время удержания реле", relay 1..4

    // --- diagnostics and raw command
    void TestMemory();          // "Тест EEPROM-памяти контроллера"
    void TestLine();            // "Тест линии на замыкание и обрыв"
    void TestRelay(int relay);  // "Тест реле на срабатывание", relay 1..4
    void RunRawCommand();       // "Выполнить команду"

    // --- "Поиск контроллеров"
    void SearchControllers();
    // What the last search that ran to its end or was stopped found (any thread).
    std::optional<SearchSummary> LastSearch() const;

    // Runs the controller menu's command: what the menu items and the map's
    // shortcut keys do. Nothing while a command runs.
    void Run(MenuCommand command);

    // True when the port is open; otherwise shows the warning
    // "Начните работу с выбора COM-порта." and returns false.
    bool CheckPort();

    // True when a command may start now: no controller or converter command
    // is running (a second worker would share the transaction state) and the
    // port is open (else the warning above).
    bool CanStart();

private:
    CommandContext& context_;
    mutable std::mutex searchMutex_;
    std::optional<SearchSummary> lastSearch_;
};

}  // namespace tulex
