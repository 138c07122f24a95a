#pragma once
// The four check items of "&Настройки", read at the moment they matter, and
// the master switch. Toggled on the UI thread, read by the receive thread.

#include <atomic>

namespace tulex {

struct Settings {
    std::atomic<bool> readers{true};        // readersAction  "&Информация от считывателей"
    std::atomic<bool> sensors{false};       // sensorsAction "И&нформация от датчиков"
    std::atomic<bool> onlineAnswer{false};  // onlineAnswerAction "&Автоответ в on-line режиме"
    std::atomic<bool> sensorAnswer{true};  // sensorAnswerAction "А&втоответ на посылки датчиков"
    std::atomic<bool> masterMode{false};  // -master
};

}  // namespace tulex
