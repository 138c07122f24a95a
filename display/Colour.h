#pragma once
// Colours of the balloons, pop-ups and map cells, as red, green, blue.

#include <cstdint>

namespace tulex {

struct Colour {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

inline constexpr Colour kWaitingColour{255, 255, 102};
inline constexpr Colour kSuccessColour{204, 255, 153};
inline constexpr Colour kFailureColour{255, 102, 0};
inline constexpr Colour kReportColour{153, 204, 255};
inline constexpr Colour kSensorColour{204, 204, 204};

inline constexpr Colour kCellWhite{255, 255, 255};
inline constexpr Colour kCellSelected{255, 102, 0};
inline constexpr Colour kCellReplyOnly{153, 153, 153};
inline constexpr Colour kCellPresent{48, 210, 30};
// The last-known controllers while the line is lost: greyed.
inline constexpr Colour kCellStalePresent{178, 196, 175};
inline constexpr Colour kCellStaleReplyOnly{208, 208, 208};

}  // namespace tulex
