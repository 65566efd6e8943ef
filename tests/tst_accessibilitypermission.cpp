// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SettingsFixture.h"
#include "TempTree.h"
#include "app/AccessibilityPermission.h"
#include "state/AppState.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

bool flag(const QString& key) {
    return openPreferences()->value(key, false).toBool();
}

// A launch's permission check in an environment of its own, over a trust check that never
// trusts. Each prompt is answered "Open System Preferences".
struct Launch : QObject {
    Launch() { qApp->installEventFilter(this); }

    IsolatedEnvironment environment;
    int settingsOpened = 0;
    int prompts = 0;
    AppState state;
    AccessibilityPermission permission{state, {[] { return false; }, [this] { ++settingsOpened; }}};

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* prompt = qobject_cast<QMessageBox*>(watched);
        if (prompt && event->type() == QEvent::Show) {
            ++prompts;
            QMetaObject::invokeMethod(
                this, [prompt] { buttonShowing(*prompt, u"Open System Preferences"_s)->click(); },
                Qt::QueuedConnection);
        }
        return false;
    }
};

// Stands in for the desktop's handler of local files.
struct FileOpener : QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

} // namespace

class TestAccessibilityPermission : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void promptIsShownOnceEver();
    void settingsButtonOpensTheKeyBindingHelpWhereNoSettingsAreKnown();
};

void TestAccessibilityPermission::promptIsShownOnceEver() {
    Launch launch;
    launch.permission.checkAccessibilityPermission();
    launch.permission.recheckAccessibilityPermission();
    QCOMPARE(launch.settingsOpened, 1);
    QVERIFY(!flag(PreferenceKeys::accessibilityGranted));
    QVERIFY(flag(PreferenceKeys::accessibilityPromptShown));
    // Neither this launch nor a later one asks again.
    launch.permission.recheckAccessibilityPermission();
    AccessibilityPermission(launch.state, {[] { return false; }, [] {}})
        .recheckAccessibilityPermission();
    QCOMPARE(launch.prompts, 1);
}

void TestAccessibilityPermission::settingsButtonOpensTheKeyBindingHelpWhereNoSettingsAreKnown() {
    // No desktop's shortcut settings are installed in the isolated data folders.
    const IsolatedEnvironment environment;
    FileOpener opener;
    QDesktopServices::setUrlHandler(u"file"_s, &opener, "open");
    AccessibilityPermission::systemPlatform().openAccessibilitySettings();
    QDesktopServices::unsetUrlHandler(u"file"_s);

    QCOMPARE(opener.opened.size(), 1);
    const QString help = opener.opened.first().toLocalFile();
    QVERIFY(help.startsWith(environment.tree().path()));
    const QByteArray text = fileContents(help);
    QVERIFY(text.startsWith("### A key for the panel on Wayland desktops\n"));
    QVERIFY(text.contains("bindsym $mod+space exec vantri toggle"));
    // The section alone, not the README after it.
    QVERIFY(!text.contains("\n## "));
}

QTEST_MAIN(TestAccessibilityPermission)
#include "tst_accessibilitypermission.moc"
