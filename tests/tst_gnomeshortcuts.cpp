// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PrivateSessionBus.h"
#include "TempTree.h"
#include "app/hotkey/HotKeyRegistration.h"
#include "platform/gnome/GnomeShortcuts.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString mediaKeys = u"org.gnome.settings-daemon.plugins.media-keys"_s;
const QString customPath = u"/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/"_s;
const QString ownPath = customPath + u"vantri/"_s;
const QString othersPath = customPath + u"custom0/"_s;

// What the gsettings tool reads, as another program on the desktop would.
QString gsettings(const QStringList& arguments) {
    QProcess tool;
    tool.start(u"gsettings"_s, arguments);
    if (!tool.waitForFinished(20000) || tool.exitCode() != 0)
        return u"(gsettings failed: "_s + QString::fromUtf8(tool.readAllStandardError()) + u')';
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

QString entry(const QString& path, const QString& key) {
    return gsettings({u"get"_s, mediaKeys + u".custom-keybinding:"_s + path, key});
}

} // namespace

// Vantri's entry in GNOME's keyboard shortcuts, written through GSettings into
// a real dconf database (dconf's service on a bus of the test's own).
class TestGnomeShortcuts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void theEntryIsWrittenEditedAndFoundAgainBesideOthers_data();
    void theEntryIsWrittenEditedAndFoundAgainBesideOthers();
    void acceleratorsCompareInOneForm_data();
    void acceleratorsCompareInOneForm();

private:
    std::unique_ptr<HotKeyRegistration> _registration;
};

void TestGnomeShortcuts::initTestCase() {
    if (!GnomeShortcuts::isAvailable())
        QSKIP("GNOME's shortcut schemas are not installed (package gnome-settings-daemon-common)");
    if (QStandardPaths::findExecutable(u"gsettings"_s).isEmpty())
        QSKIP("gsettings is not installed (package libglib2.0-bin)");
    // Somebody's own shortcut, there before Vantri came.
    QCOMPARE(gsettings({u"set"_s, mediaKeys, u"custom-keybindings"_s, u"['%1']"_s.arg(othersPath)}),
             QString());
    for (const auto& [key, value] : {std::pair{u"name"_s, u"Terminal"_s},
                                     {u"command"_s, u"x-terminal-emulator"_s},
                                     {u"binding"_s, u"<Primary><Alt>k"_s}})
        QCOMPARE(
            gsettings({u"set"_s, mediaKeys + u".custom-keybinding:"_s + othersPath, key, value}),
            QString());
    _registration = std::make_unique<HotKeyRegistration>(
        HotKeyPlace::Route::gnomeShortcuts, [] {}, u"/opt/my apps/vantri"_s);
}

void TestGnomeShortcuts::theEntryIsWrittenEditedAndFoundAgainBesideOthers_data() {
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<bool>("isRefused");
    QTest::addColumn<QString>("binding");
    QTest::newRow("written") << u"⌃⌥␣"_s << false << u"'<Control><Alt>space'"_s;
    QTest::newRow("edited") << u"⇧⌃J"_s << false << u"'<Control><Shift>j'"_s;
    QTest::newRow("another custom entry's keys") << u"⌃⌥K"_s << true << u"'<Control><Shift>j'"_s;
    QTest::newRow("the window manager's keys") << u"⌘␣"_s << true << u"'<Control><Shift>j'"_s;
    QTest::newRow("found again by a new start") << u"⌥⌘V"_s << false << u"'<Alt><Super>v'"_s;
}

void TestGnomeShortcuts::theEntryIsWrittenEditedAndFoundAgainBesideOthers() {
    QFETCH(QString, shortcut);
    QFETCH(bool, isRefused);
    QFETCH(QString, binding);
    if (QTest::currentDataTag() == "found again by a new start"_L1)
        _registration = std::make_unique<HotKeyRegistration>(
            HotKeyPlace::Route::gnomeShortcuts, [] {}, u"/opt/my apps/vantri"_s);

    const HotKeyOutcome outcome = _registration->registerShortcut(shortcut);
    QCOMPARE(outcome.status,
             isRefused ? HotKeyOutcome::Status::refused : HotKeyOutcome::Status::registered);
    if (isRefused)
        QCOMPARE(outcome.refusal, shortcut + u" is used by another program — choose another"_s);
    else
        QCOMPARE(outcome.place.route, HotKeyPlace::Route::gnomeShortcuts);

    QCOMPARE(gsettings({u"get"_s, mediaKeys, u"custom-keybindings"_s}),
             u"['%1', '%2']"_s.arg(othersPath, ownPath));
    QCOMPARE(entry(ownPath, u"name"_s), u"'Vantri'"_s);
    QCOMPARE(entry(ownPath, u"command"_s), u"\"'/opt/my apps/vantri' toggle\""_s);
    QCOMPARE(entry(ownPath, u"binding"_s), binding);
    QCOMPARE(entry(othersPath, u"name"_s), u"'Terminal'"_s);
    QCOMPARE(entry(othersPath, u"command"_s), u"'x-terminal-emulator'"_s);
    QCOMPARE(entry(othersPath, u"binding"_s), u"'<Primary><Alt>k'"_s);
}

void TestGnomeShortcuts::acceleratorsCompareInOneForm_data() {
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("canonical");
    QTest::newRow("aliases, any order") << u"<Alt><Primary>Space"_s << u"<Control><Alt>space"_s;
    QTest::newRow("old names") << u"<Mod4><Ctl>k"_s << u"<Control><Super>k"_s;
    QTest::newRow("disabled") << u"disabled"_s << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("modifiers alone") << u"<Super>"_s << QString();
}

void TestGnomeShortcuts::acceleratorsCompareInOneForm() {
    QFETCH(QString, written);
    QFETCH(QString, canonical);
    QCOMPARE(GnomeShortcuts::canonicalAccelerator(written), canonical);
}

int main(int argc, char** argv) {
    // dconf's service stores where the bus started it says; both sides must
    // agree, so the folders are set before the bus starts.
    TempTree tree;
    qputenv("XDG_CONFIG_HOME", tree.makeDir(u"config"_s).toUtf8());
    qputenv("XDG_RUNTIME_DIR", tree.makeDir(u"runtime"_s).toUtf8());
    qputenv("GSETTINGS_BACKEND", "dconf");
    PrivateSessionBus bus;
    if (!bus.isRunning()) {
        qInfo("SKIP: %s", qPrintable(bus.errorString()));
        return 0;
    }
    QCoreApplication application(argc, argv);
    TestGnomeShortcuts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gnomeshortcuts.moc"
