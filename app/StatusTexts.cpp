#include "app/StatusTexts.h"

namespace tulex {

std::string ConnectionText(const Connection& connection) {
    switch (connection.state) {
    case Connection::State::Open: return connection.port + ", " + connection.speed + " бит/с: открыт";
    case Connection::State::Lost: return connection.port + ": связь потеряна";
    case Connection::State::Closed: break;
    }
    return connection.port.empty() ? "Порт закрыт" : connection.port + ": закрыт";
}

std::string SkippedPopupsNote(std::size_t count) {
    return count == 0 ? std::string() : "+" + std::to_string(count) + " событий";
}

}  // namespace tulex
