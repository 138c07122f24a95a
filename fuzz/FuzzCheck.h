#pragma once
// What every fuzz target uses to state an invariant: a broken one is told on
// standard error and aborts, so libFuzzer keeps the input that broke it.

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "line/Cp1251.h"

namespace tulex::fuzz {

[[noreturn]] inline void Broken(std::string_view what) {
    std::fprintf(stderr, "invariant broken: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

inline void Require(bool holds, std::string_view what) {
    if (!holds) Broken(what);
}

// Every text a screen shows or a program prints is UTF-8.
inline void RequireUtf8(std::string_view text, std::string_view what) { Require(IsValidUtf8(text), what); }

}  // namespace tulex::fuzz
