// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/xdg/DesktopEntryLaunch.h"

#include <QFile>

#include <dlfcn.h>
#include <gio/gdesktopappinfo.h>
#include <optional>

namespace {

struct GioFunctions {
    decltype(&g_desktop_app_info_new_from_filename) appInfoFromFile;
    decltype(&g_desktop_app_info_new) appInfoFromId;
    decltype(&g_app_info_launch) launch;
    decltype(&g_object_unref) unref;
};

template <typename Function> Function resolve(void* library, const char* name) {
    return reinterpret_cast<Function>(::dlsym(library, name));
}

// Null when GIO cannot be loaded. Loaded once, by whichever thread comes
// first, and never unloaded: GIO keeps types and threads of its own for the
// life of the process.
const GioFunctions* gio() {
    static const std::optional<GioFunctions> functions = []() -> std::optional<GioFunctions> {
        void* library = ::dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return std::nullopt;
        const GioFunctions found{
            resolve<decltype(GioFunctions::appInfoFromFile)>(
                library, "g_desktop_app_info_new_from_filename"),
            resolve<decltype(GioFunctions::appInfoFromId)>(library, "g_desktop_app_info_new"),
            resolve<decltype(GioFunctions::launch)>(library, "g_app_info_launch"),
            resolve<decltype(GioFunctions::unref)>(library, "g_object_unref"),
        };
        if (!found.appInfoFromFile || !found.appInfoFromId || !found.launch || !found.unref)
            return std::nullopt;
        return found;
    }();
    return functions ? &*functions : nullptr;
}

bool launch(const GioFunctions& functions, GDesktopAppInfo* entry) {
    if (!entry)
        return false;
    GError* error = nullptr;
    // An entry is its own GAppInfo; the checked cast would need GIO linked.
    const bool launched =
        functions.launch(reinterpret_cast<GAppInfo*>(entry), nullptr, nullptr, &error);
    if (error)
        g_error_free(error);
    functions.unref(entry);
    return launched;
}

} // namespace

bool launchDesktopEntryFile(const QString& path) {
    const GioFunctions* functions = gio();
    return functions &&
           launch(*functions, functions->appInfoFromFile(QFile::encodeName(path).constData()));
}

bool launchDesktopEntryId(const char* id) {
    const GioFunctions* functions = gio();
    return functions && launch(*functions, functions->appInfoFromId(id));
}
