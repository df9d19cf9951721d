#include "platform/qt/Settings.h"

namespace zel {

std::unique_ptr<QSettings> OpenSettings() {
    return std::make_unique<QSettings>(QSettings::defaultFormat(), QSettings::UserScope,
                                       QString::fromLatin1(kSettingsOrganisation),
                                       QString::fromLatin1(kSettingsApplication));
}

} // namespace zel
