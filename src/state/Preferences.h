#pragma once

#include <QSettings>
#include <memory>

// Opens the per-user preferences store ($XDG_CONFIG_HOME/Vantri/Vantri.conf).
// Every instance in the process shares one cache, so a value written through
// one is seen by the next read through another.
std::unique_ptr<QSettings> openPreferences();
