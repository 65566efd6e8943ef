#include "state/Preferences.h"

std::unique_ptr<QSettings> openPreferences() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Vantri"), QStringLiteral("Vantri"));
}
