#pragma once
// The program's own name and web address, and the version text the pages' "Formatter" line
// has always carried (kept byte for byte; the release's version is ReleaseVersion, in
// base/release.h, shown by the about box and --version).

namespace mondeliar {

inline constexpr const char* ProgramTitle = "Mondeliar";
inline constexpr const char* ProgramVersion = "Version 4.02 05 February 2002";
inline constexpr const char* MakerWebAddress = "https://www.mondeliar.org/";

}  // namespace mondeliar
