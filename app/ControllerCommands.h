#pragma once
// The handlers of PopupMenu1 (controller commands), the search and their
// workers.

namespace tulex {

class TForm1;

class ControllerCommands {
public:
    explicit ControllerCommands(TForm1& form) : form_(form) {}

private:
    [[maybe_unused]] TForm1& form_;
};

}  // namespace tulex
