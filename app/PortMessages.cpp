#include "app/PortMessages.h"

namespace tulex {

std::string PortErrorText(PortError error, std::string_view name, std::string_view speedText) {
    switch (error) {
    case PortError::NotFound: return std::string(name) + " — неверный идентификатор COM-порта.";
    case PortError::Unavailable:
        return "Порт " + std::string(name) +
               " недоступен.\n\nВозможно, порт используется другим приложением или службой.";
    case PortError::BadSpeed: return std::string(speedText) + " — неверное значение скорости COM-порта.";
    case PortError::None:
    case PortError::Refused: break;
    }
    return {};
}

std::string DeviceLostText(std::string_view portName) {
    return "Порт " + std::string(portName) + " недоступен.\n\nСвязь с COM-портом потеряна.";
}

}  // namespace tulex
