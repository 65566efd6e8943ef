// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/hotkey/HotKeyBackends.h"

#include "app/hotkey/HotKey.h"
#include "app/hotkey/ShortcutNames.h"
#include "platform/gnome/GnomeShortcuts.h"
#include "platform/kde/KdeGlobalShortcut.h"
#include "product/Diagnostics.h"

#include <QObject>
#include <QRegularExpression>

namespace {

// Vantri's own entry among GNOME's custom shortcuts, found again at each start by its path.
const QString gnomeEntryPath =
    QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/vantri/");

class X11GrabBackend final : public HotKeyBackend {
public:
    explicit X11GrabBackend(std::function<void()> onPress)
        : _onPress(std::move(onPress)) {}

    HotKeyPlace::Route route() const override { return HotKeyPlace::Route::x11Grab; }

    Binding bind(const ParsedShortcut& shortcut) override {
        // The same combination again is already held: grabbing it anew and
        // then letting the old grab go would give it up.
        if (_hotKey && _hotKey->isRegistered() && _held == shortcut)
            return Binding::bound;
        auto hotKey = std::make_unique<HotKey>(shortcut.keyCode, shortcut.modifiers);
        if (!hotKey->isRegistered())
            return hotKey->isRefused() ? Binding::refused : Binding::failed;
        hotKey->setKeyDownHandler(_onPress);
        _hotKey = std::move(hotKey);
        _held = shortcut;
        return Binding::bound;
    }

    void unbind() override { _hotKey.reset(); }

private:
    std::function<void()> _onPress;
    std::unique_ptr<HotKey> _hotKey;
    ParsedShortcut _held;
};

class KdeShortcutsBackend final : public HotKeyBackend {
public:
    explicit KdeShortcutsBackend(std::function<void()> onPress)
        : _action(QStringLiteral("vantri"), QStringLiteral("Vantri"),
                  QStringLiteral("toggle-launcher"), QObject::tr("Toggle launcher")) {
        QObject::connect(&_action, &KdeGlobalShortcut::pressed, std::move(onPress));
    }

    HotKeyPlace::Route route() const override { return HotKeyPlace::Route::kdeShortcuts; }

    Binding bind(const ParsedShortcut& shortcut) override {
        const KdeGlobalShortcut::Assignment assignment =
            _action.assign(ShortcutNames::qtKeyCombination(shortcut));
        if (assignment.isAssigned)
            return Binding::bound;
        if (!assignment.isTaken)
            qCWarning(vantriLog, "KDE's shortcut service did not take the key: %s",
                      qPrintable(assignment.failure));
        return assignment.isTaken ? Binding::refused : Binding::failed;
    }

    void unbind() override { _action.assign(0); }

private:
    KdeGlobalShortcut _action;
};

class GnomeShortcutsBackend final : public HotKeyBackend {
public:
    explicit GnomeShortcutsBackend(QString command)
        : _command(std::move(command)) {}

    HotKeyPlace::Route route() const override { return HotKeyPlace::Route::gnomeShortcuts; }

    Binding bind(const ParsedShortcut& shortcut) override {
        const QString accelerator = ShortcutNames::gtkAccelerator(shortcut);
        if (const std::optional<QString> holder =
                GnomeShortcuts::shortcutUsing(accelerator, gnomeEntryPath)) {
            qCInfo(vantriLog, "GNOME's shortcut \"%s\" uses %s", qPrintable(*holder),
                   qPrintable(accelerator));
            return Binding::refused;
        }
        return write(accelerator) ? Binding::bound : Binding::failed;
    }

    // The entry stays, without keys, so that choosing again edits it.
    void unbind() override { write(QString()); }

private:
    bool write(const QString& accelerator) {
        if (GnomeShortcuts::writeCustomShortcut(gnomeEntryPath, QStringLiteral("Vantri"), _command,
                                                accelerator))
            return true;
        qCWarning(vantriLog, "cannot write Vantri's entry in GNOME's keyboard shortcuts");
        return false;
    }

    QString _command;
};

// sway and every other desktop where nothing can bind keys for Vantri.
class UserBindingBackend final : public HotKeyBackend {
public:
    explicit UserBindingBackend(HotKeyPlace::Route route)
        : _route(route) {}

    HotKeyPlace::Route route() const override { return _route; }
    Binding bind(const ParsedShortcut&) override { return Binding::leftToTheUser; }
    void unbind() override {}
    bool bindsKeys() const override { return false; }

private:
    HotKeyPlace::Route _route;
};

} // namespace

QString toggleCommand(const QString& clientProgram) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    QString program = clientProgram;
    if (!plain.match(program).hasMatch())
        program = u'\'' + program.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
    return program + QStringLiteral(" toggle");
}

std::unique_ptr<HotKeyBackend> makeHotKeyBackend(HotKeyPlace::Route route,
                                                 std::function<void()> onPress,
                                                 const QString& clientProgram) {
    switch (route) {
    case HotKeyPlace::Route::x11Grab:
        return std::make_unique<X11GrabBackend>(std::move(onPress));
    case HotKeyPlace::Route::kdeShortcuts:
        return std::make_unique<KdeShortcutsBackend>(std::move(onPress));
    case HotKeyPlace::Route::gnomeShortcuts:
        return std::make_unique<GnomeShortcutsBackend>(toggleCommand(clientProgram));
    case HotKeyPlace::Route::none:
    case HotKeyPlace::Route::swayConfig:
    case HotKeyPlace::Route::desktopSettings:
        break;
    }
    return std::make_unique<UserBindingBackend>(route);
}
