#include "app/PortMessages.h"

namespace tulex {
namespace {

std::string UnavailableText(std::string_view name) {
    return "Порт " + std::string(name) + " недоступен.\n\nВозможно, порт используется другим приложением или службой.";
}

}  // namespace

std::string PortErrorText(PortError error, std::string_view name, std::string_view speedText) {
    switch (error) {
    case PortError::NotFound: return std::string(name) + " — неверный идентификатор COM-порта.";
    case PortError::Unavailable: return UnavailableText(name);
    case PortError::PermissionDenied:
        // The device exists but its permissions keep the user out: on Linux
        // serial devices belong to the group dialout, joined at the next login.
        return UnavailableText(name) + "\nНет прав на порт: добавьте пользователя в группу dialout и войдите заново.";
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
