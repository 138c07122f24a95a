#pragma once
// The handlers of PopupMenu1 (controller commands) and the search button.
// Every handler runs on the UI thread: it checks the port, asks for its
// input where it has one, and starts its worker as a command transaction.
//
// Where the handlers are defined:
//   app/QueryCommands.cpp         N11Click, N31Click, N21Click
//   app/ConfigurationCommands.cpp N7Click .. N25Click, modes, master card, relays
//   app/DiagnosticCommands.cpp    N41Click, N1Click, N110Click .. N43Click, N26Click
//   app/SearchCommand.cpp         Button4Click
//   app/ControllerCommands.cpp    CheckPort, CanStart
//   app/PopupMenu1.cpp            InvokeMenuItem

#include <string>

namespace tulex {

class TForm1;

class ControllerCommands {
public:
    explicit ControllerCommands(TForm1& form) : form_(form) {}

    // --- queries
    void N11Click();  // "Проверить наличие контроллера"
    void N31Click();  // "Читать параметры контроллера"
    void N21Click();  // "Изменить индекс контроллера"

    // --- "Задать параметры по стандарту"
    void N7Click();   // "Дверь без датчика положения"
    void N23Click();  // "Дверь с датчиком положения"
    void N8Click();   // "Турникет без подтверждения прохода"
    void N20Click();  // "Турникет с подтверждением прохода"
    void N25Click();  // "Регистрационный терминал"

    // --- "Задать режим работы контроллера"
    void Offline1Click();  // "Off-line режим "
    void Online1Click();   // "On-line режим "
    void N13Click();       // "Автономный режим"
    void N28Click();       // "Задать мастер-карту"
    void N29Click();       // "Читать мастер-карту"

    // --- "Задать время удержания реле"
    void N15Click();  // "Реле 1"
    void N22Click();  // "Реле 2"
    void N32Click();  // "Реле 3"
    void N42Click();  // "Реле 4"

    // --- diagnostics and raw command
    void N41Click();   // "Тест EEPROM-памяти контроллера"
    void N1Click();    // "Тест линии на замыкание и обрыв"
    void N110Click();  // "Тест реле на срабатывание" -> "Реле 1"
    void N24Click();   // "Реле 2"
    void N33Click();   // "Реле 3"
    void N43Click();   // "Реле 4"
    void N26Click();   // "Выполнить команду"

    // --- "Поиск контроллеров"
    void Button4Click();

    // Calls the handler of the PopupMenu1 item at `position` (and
    // `subPosition` inside its submenu): what the map's shortcut keys do.
    // Separators, submenu headers without a subPosition, positions outside
    // the menu and any item while a command runs do nothing.
    void InvokeMenuItem(int position, int subPosition = -1);

    // True when the port is open; otherwise shows the warning
    // "Начните работу с выбора COM-порта." and returns false.
    bool CheckPort();

    // True when a command may start now: no controller or converter command
    // is running (a second worker would share the transaction state) and the
    // port is open (else the warning above).
    bool CanStart();

private:
    void StandardSet(int entry);
    void SetMode(int entry);
    void RelayHoldTime(int relay);

    TForm1& form_;
};

}  // namespace tulex
