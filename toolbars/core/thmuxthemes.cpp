#include "toolbars/core/thmuxthemes.h"

namespace qel::toolbars {

std::array<TUxEntryPoint, UxThemeEntryPointNames.size()> UxThemeEntryPoints{};

bool LoadUxThemeLibrary() { return false; }

void FreeUxThemeLibrary() { UxThemeEntryPoints.fill(nullptr); }

bool UxThemesAvailable() { return false; }

} // namespace qel::toolbars
