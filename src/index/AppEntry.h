#pragma once

#include <QString>

// One indexed application as the index file stores it: the lower-cased name
// it is filed under and the absolute path of its bundle or desktop entry.
struct AppEntry {
    QString name;
    QString path;

    friend bool operator==(const AppEntry&, const AppEntry&) = default;
};
