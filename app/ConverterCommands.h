#pragma once
// The handlers of PopupMenu2 (converter commands) and their workers.

namespace tulex {

class TForm1;

class ConverterCommands {
public:
    explicit ConverterCommands(TForm1& form) : form_(form) {}

private:
    [[maybe_unused]] TForm1& form_;
};

}  // namespace tulex
