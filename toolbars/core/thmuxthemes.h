#pragma once
// The desktop visual-styles binding. This desktop has no visual-styles
// library, so loading always fails and nothing is available: every theme
// paints its classic form. The entry points are kept by name so that a
// binding can be told apart from a missing one.

#include <array>

namespace qel::toolbars {

inline constexpr std::array<const char *, 46> UxThemeEntryPointNames = {
    "OpenThemeData", "CloseThemeData", "DrawThemeBackground", "DrawThemeText",
    "GetThemeBackgroundContentRect", "GetThemePartSize", "GetThemeTextExtent", "GetThemeTextMetrics",
    "GetThemeBackgroundRegion", "HitTestThemeBackground", "DrawThemeEdge", "DrawThemeIcon",
    "IsThemePartDefined", "IsThemeBackgroundPartiallyTransparent", "GetThemeColor", "GetThemeMetric",
    "GetThemeString", "GetThemeBool", "GetThemeInt", "GetThemeEnumValue", "GetThemePosition",
    "GetThemeFont", "GetThemeRect", "GetThemeMargins", "GetThemeIntList", "GetThemePropertyOrigin",
    "SetWindowTheme", "GetThemeFilename", "GetThemeSysColor", "GetThemeSysColorBrush", "GetThemeSysBool",
    "GetThemeSysSize", "GetThemeSysFont", "GetThemeSysString", "GetThemeSysInt", "IsThemeActive",
    "IsAppThemed", "GetWindowTheme", "EnableThemeDialogTexture", "IsThemeDialogTextureEnabled",
    "GetThemeAppProperties", "SetThemeAppProperties", "GetCurrentThemeName",
    "GetThemeDocumentationProperty", "DrawThemeParentBackground", "EnableTheming"};

// One cell per entry point; empty when the library lacks it (here: always).
using TUxEntryPoint = void (*)();
extern std::array<TUxEntryPoint, UxThemeEntryPointNames.size()> UxThemeEntryPoints;

// Whether the library is loaded (never, on this desktop).
bool LoadUxThemeLibrary();
void FreeUxThemeLibrary();
// Loaded, and both the application and the desktop styled.
bool UxThemesAvailable();

} // namespace qel::toolbars
