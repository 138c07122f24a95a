#pragma once
// The captions of the message boxes and balloons, in one place.

namespace tulex {

inline constexpr const char* kCaptionWarning = "Предупреждение";
inline constexpr const char* kCaptionInformation = "Информация";

}  // namespace tulex
