#pragma once

#include <QLatin1StringView>

// Every key of the user-defaults store that the application reads or writes.
namespace MLDefaultsKeys {
inline constexpr QLatin1StringView FirstLaunch{"FirstLaunch"};
inline constexpr QLatin1StringView MarlevoServerURL{"MarlevoServerURL"};
inline constexpr QLatin1StringView DiagnosticsEnabled{"DiagnosticsEnabled"};
inline constexpr QLatin1StringView DeviceDetailedDiagnosticsEnabled{"DeviceDetailedDiagnosticsEnabled"};
inline constexpr QLatin1StringView DeviceDataIODiagnosticsEnabled{"DeviceDataIODiagnosticsEnabled"};
inline constexpr QLatin1StringView SuppressLegacyWarning{"SuppressLegacyWarning"};
inline constexpr QLatin1StringView SuppressExtendedWarning{"SuppressExtendedWarning"};
} // namespace MLDefaultsKeys
