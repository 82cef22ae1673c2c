#pragma once
// The program's own name, version and web address, as the pages and windows show them.

namespace mondeliar {

inline constexpr const char* ProgramTitle = "Mondeliar";
inline constexpr const char* ProgramVersion = "Version 4.02 05 February 2002";
inline constexpr const char* MakerWebAddress = "https://www.mondeliar.org/";

}  // namespace mondeliar
