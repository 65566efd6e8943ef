#pragma once

#include "scripts/ScriptCatalogue.h"

#include <QString>

// Whether `folderPath` names a folder whose entries can be listed; a scan of
// anything else ends before it starts.
bool isScannableFolder(const QString& folderPath);

// Catalogues every ".meta" file below `folderPath` that reads as metadata and
// has a script file beside it. Files are taken in the order of their relative
// paths, so when several share a command the outcome does not depend on the
// order the file system lists them in: the last one wins.
ScriptCatalogue scanScriptFolder(const QString& folderPath);
