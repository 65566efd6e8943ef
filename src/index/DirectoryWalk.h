#pragma once

#include <QFileInfo>
#include <QString>
#include <functional>

// Visits every item below `root`, depth first, a folder before its contents
// and the items of one folder in name order. Hidden items (and so everything
// inside a hidden folder) are left out. A folder whose name ends in ".app", in
// any case, is an application bundle: it is visited but never entered, so
// nothing inside a bundle is seen. Symbolic links are visited but never
// followed into, which also keeps the walk free of loops. A root that is
// missing or unreadable yields nothing, as does any folder that cannot be read.
void walkDirectory(const QString& root, const std::function<void(const QFileInfo&)>& visit);
