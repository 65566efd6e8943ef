// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/gnome/GnomeShortcuts.h"

#include "product/Diagnostics.h"

#include <QRegularExpression>
#include <QStringList>

#include <dlfcn.h>
#include <gio/gio.h>
#include <memory>

namespace {

const char* const mediaKeysSchema = "org.gnome.settings-daemon.plugins.media-keys";
const char* const customSchema = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
const char* const customListKey = "custom-keybindings";
// Where GNOME's own shortcuts live; those not installed are skipped.
const char* const keybindingSchemas[] = {
    "org.gnome.settings-daemon.plugins.media-keys",
    "org.gnome.desktop.wm.keybindings",
    "org.gnome.shell.keybindings",
    "org.gnome.mutter.keybindings",
    "org.gnome.mutter.wayland.keybindings",
};

struct GioFunctions {
    decltype(&g_settings_schema_source_get_default) defaultSource;
    decltype(&g_settings_schema_source_lookup) lookup;
    decltype(&g_settings_schema_unref) schemaUnref;
    decltype(&g_settings_schema_list_keys) listKeys;
    decltype(&g_settings_new_full) settingsNew;
    decltype(&g_settings_get_value) getValue;
    decltype(&g_settings_set_value) setValue;
    decltype(&g_settings_sync) sync;
    decltype(&g_object_unref) unref;
};

template <typename Function> Function resolve(void* library, const char* name) {
    return reinterpret_cast<Function>(::dlsym(library, name));
}

// Loaded once and never unloaded, as GIO keeps threads of its own.
const GioFunctions* gio() {
    static const std::optional<GioFunctions> functions = []() -> std::optional<GioFunctions> {
        void* library = ::dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return std::nullopt;
        const GioFunctions found{
            resolve<decltype(GioFunctions::defaultSource)>(library,
                                                           "g_settings_schema_source_get_default"),
            resolve<decltype(GioFunctions::lookup)>(library, "g_settings_schema_source_lookup"),
            resolve<decltype(GioFunctions::schemaUnref)>(library, "g_settings_schema_unref"),
            resolve<decltype(GioFunctions::listKeys)>(library, "g_settings_schema_list_keys"),
            resolve<decltype(GioFunctions::settingsNew)>(library, "g_settings_new_full"),
            resolve<decltype(GioFunctions::getValue)>(library, "g_settings_get_value"),
            resolve<decltype(GioFunctions::setValue)>(library, "g_settings_set_value"),
            resolve<decltype(GioFunctions::sync)>(library, "g_settings_sync"),
            resolve<decltype(GioFunctions::unref)>(library, "g_object_unref"),
        };
        if (!found.defaultSource || !found.lookup || !found.schemaUnref || !found.listKeys ||
            !found.settingsNew || !found.getValue || !found.setValue || !found.sync || !found.unref)
            return std::nullopt;
        return found;
    }();
    return functions ? &*functions : nullptr;
}

// One schema's settings object, at `path` for a relocatable schema; null when
// the schema is not installed (GSettings would abort the process for it).
class Settings {
public:
    Settings(const GioFunctions& gio, const char* schemaId, const QString& path = {})
        : _gio(gio) {
        GSettingsSchemaSource* source = gio.defaultSource();
        _schema = source ? gio.lookup(source, schemaId, TRUE) : nullptr;
        if (_schema)
            _settings = gio.settingsNew(_schema, nullptr,
                                        path.isEmpty() ? nullptr : path.toUtf8().constData());
    }
    ~Settings() {
        if (_settings)
            _gio.unref(_settings);
        if (_schema)
            _gio.schemaUnref(_schema);
    }
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    explicit operator bool() const { return _settings != nullptr; }

    QStringList keys() const {
        QStringList names;
        gchar** keys = _gio.listKeys(_schema);
        for (gchar** key = keys; key && *key; ++key)
            names << QString::fromUtf8(*key);
        g_strfreev(keys);
        return names;
    }

    // A string key as one entry, a list of strings as its entries; nothing for other types.
    QStringList strings(const QString& key) const {
        QStringList values;
        GVariant* value = _gio.getValue(_settings, key.toUtf8().constData());
        if (!value)
            return values;
        if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) {
            values << QString::fromUtf8(g_variant_get_string(value, nullptr));
        } else if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING_ARRAY)) {
            const gchar** entries = g_variant_get_strv(value, nullptr);
            for (const gchar** entry = entries; entry && *entry; ++entry)
                values << QString::fromUtf8(*entry);
            g_free(entries);
        }
        g_variant_unref(value);
        return values;
    }

    bool setString(const char* key, const QString& value) {
        return _gio.setValue(_settings, key, g_variant_new_string(value.toUtf8().constData()));
    }

    bool setStrings(const char* key, const QStringList& values) {
        std::vector<QByteArray> encoded;
        std::vector<const gchar*> pointers;
        for (const QString& value : values)
            encoded.push_back(value.toUtf8());
        for (const QByteArray& value : encoded)
            pointers.push_back(value.constData());
        return _gio.setValue(_settings, key,
                             g_variant_new_strv(pointers.data(), gssize(pointers.size())));
    }

private:
    const GioFunctions& _gio;
    GSettingsSchema* _schema = nullptr;
    GSettings* _settings = nullptr;
};

} // namespace

namespace GnomeShortcuts {

bool isAvailable() {
    const GioFunctions* functions = gio();
    return functions && Settings(*functions, mediaKeysSchema) &&
           Settings(*functions, customSchema, QStringLiteral("/org/gnome/probe/"));
}

std::optional<QString> shortcutUsing(const QString& accelerator, const QString& ownPath) {
    const QString wanted = canonicalAccelerator(accelerator);
    const GioFunctions* functions = gio();
    if (wanted.isEmpty() || !functions)
        return std::nullopt;
    const Settings mediaKeys(*functions, mediaKeysSchema);
    if (!mediaKeys)
        return std::nullopt;
    for (const QString& path : mediaKeys.strings(QString::fromLatin1(customListKey))) {
        if (path == ownPath)
            continue;
        const Settings entry(*functions, customSchema, path);
        if (entry &&
            canonicalAccelerator(entry.strings(QStringLiteral("binding")).value(0)) == wanted)
            return entry.strings(QStringLiteral("name")).value(0);
    }
    for (const char* schemaId : keybindingSchemas) {
        const Settings schema(*functions, schemaId);
        if (!schema)
            continue;
        for (const QString& key : schema.keys()) {
            for (const QString& keys : schema.strings(key)) {
                if (canonicalAccelerator(keys) == wanted)
                    return key;
            }
        }
    }
    return std::nullopt;
}

bool writeCustomShortcut(const QString& ownPath, const QString& name, const QString& command,
                         const QString& accelerator) {
    const GioFunctions* functions = gio();
    if (!functions)
        return false;
    Settings mediaKeys(*functions, mediaKeysSchema);
    Settings entry(*functions, customSchema, ownPath);
    if (!mediaKeys || !entry)
        return false;
    // The entry is complete before GNOME finds it in the list.
    if (!entry.setString("name", name) || !entry.setString("command", command) ||
        !entry.setString("binding", accelerator))
        return false;
    QStringList paths = mediaKeys.strings(QString::fromLatin1(customListKey));
    if (!paths.contains(ownPath)) {
        paths << ownPath;
        if (!mediaKeys.setStrings(customListKey, paths))
            return false;
    }
    functions->sync();
    return true;
}

QString canonicalAccelerator(const QString& accelerator) {
    static const QRegularExpression modifierPattern(QStringLiteral("<([^>]*)>"));
    static const QList<std::pair<QStringList, QString>> modifierNames = {
        {{QStringLiteral("shift")}, QStringLiteral("<Shift>")},
        {{QStringLiteral("control"), QStringLiteral("ctrl"), QStringLiteral("ctl"),
          QStringLiteral("primary")},
         QStringLiteral("<Control>")},
        {{QStringLiteral("alt"), QStringLiteral("mod1")}, QStringLiteral("<Alt>")},
        {{QStringLiteral("super"), QStringLiteral("mod4")}, QStringLiteral("<Super>")},
        {{QStringLiteral("meta")}, QStringLiteral("<Meta>")},
        {{QStringLiteral("hyper")}, QStringLiteral("<Hyper>")},
    };
    QStringList found;
    qsizetype keyStart = 0;
    for (auto match = modifierPattern.globalMatch(accelerator); match.hasNext();) {
        const QRegularExpressionMatch modifier = match.next();
        const QString modifierName = modifier.captured(1).toLower();
        bool known = false;
        for (const auto& [aliases, canonical] : modifierNames) {
            if (aliases.contains(modifierName)) {
                found << canonical;
                known = true;
            }
        }
        if (!known)
            found << u'<' + modifierName + u'>';
        keyStart = modifier.capturedEnd();
    }
    const QString key = accelerator.mid(keyStart).trimmed().toLower();
    if (key.isEmpty() || key == QLatin1String("disabled"))
        return {};
    QString canonical;
    for (const auto& [aliases, name] : modifierNames) {
        if (found.contains(name))
            canonical += name;
    }
    for (const QString& other : found) {
        if (!canonical.contains(other))
            canonical += other;
    }
    return canonical + key;
}

} // namespace GnomeShortcuts
