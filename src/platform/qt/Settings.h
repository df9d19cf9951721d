#pragma once
// The application's settings (organisation "QXR-Software", application
// "Zelmora") in the default settings format, so a test can redirect them with
// QSettings::setDefaultFormat and QSettings::setPath.

#include <QSettings>

#include <memory>

namespace zel {

inline constexpr char kSettingsOrganisation[] = "QXR-Software";
inline constexpr char kSettingsApplication[] = "Zelmora";

std::unique_ptr<QSettings> OpenSettings();

} // namespace zel
