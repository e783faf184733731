// Loading the terrain library at start-up, binding its function, and letting it go at exit.
#pragma once

namespace td {

inline constexpr const char kTerrainNotFoundText[] = "Dorvak module Not Found!";
inline constexpr const char kTerrainErrorText[] = "Dorvak module error";
inline constexpr const char kErrorCaption[] = "Error!";

// Loads "modules\dorvak.dll" from beside the host executable and binds dorgetaltbyvec. Each
// failure is shown to the user in one modal message box and leaves the function unbound.
void LoadTerrainLibrary();
// Frees the library if one is held.
void ReleaseTerrainLibrary();

}  // namespace td
