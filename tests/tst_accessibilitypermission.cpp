#include "TempTree.h"
#include "app/AccessibilityPermission.h"
#include "platform/AccessibilityTrust.h"
#include "state/AppState.h"
#include "state/PreferenceKeys.h"
#include "state/Preferences.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

bool flag(const QString& key) {
    return openPreferences()->value(key, false).toBool();
}

// A launch's permission check in an environment of its own, over a trust check that gives
// `trust` in turn (the last answer repeats). Each prompt's texts and buttons, left to right,
// are noted before it is answered by the button showing `answer` (or by Escape).
struct Launch : QObject {
    explicit Launch(QList<bool> trustAnswers, QString answer = u"Later"_s)
        : trust(std::move(trustAnswers))
        , answer(std::move(answer)) {
        qApp->installEventFilter(this);
    }

    IsolatedEnvironment environment;
    QList<bool> trust;
    QString answer;
    int checks = 0;
    int settingsOpened = 0;
    QList<QStringList> prompts; // the texts of each prompt shown
    AppState state;
    AccessibilityPermission permission{
        state,
        {[this] { return trust.value(checks++, trust.last()); }, [this] { ++settingsOpened; }}};

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* prompt = qobject_cast<QMessageBox*>(watched);
        if (prompt && event->type() == QEvent::Show)
            QMetaObject::invokeMethod(
                this, [this, prompt] { respond(*prompt); }, Qt::QueuedConnection);
        return false;
    }

    void respond(QMessageBox& prompt) {
        QList<QAbstractButton*> buttons = prompt.buttons();
        std::ranges::sort(buttons, {},
                          [](QAbstractButton* b) { return b->mapToGlobal(QPoint()).x(); });
        prompts.append({prompt.text(), prompt.informativeText()});
        for (QAbstractButton* button : buttons)
            prompts.last().append(button->text());
        if (answer == "Escape"_L1)
            QTest::keyClick(&prompt, Qt::Key_Escape);
        for (QAbstractButton* button : buttons) {
            if (button->text() == answer)
                button->click();
        }
    }
};

} // namespace

class TestAccessibilityPermission : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void trustIsGrantedWithoutAPrompt_data();
    void trustIsGrantedWithoutAPrompt();
    void promptIsShownOnceEver_data();
    void promptIsShownOnceEver();
    void trustFollowsTheSession();
    void settingsOpenTheDesktopsShortcutPanel();
};

void TestAccessibilityPermission::trustIsGrantedWithoutAPrompt_data() {
    QTest::addColumn<QList<bool>>("trust");
    QTest::newRow("at launch") << QList<bool>{true};
    QTest::newRow("at the recheck ten seconds later") << QList<bool>{false, true};
}

void TestAccessibilityPermission::trustIsGrantedWithoutAPrompt() {
    QFETCH(QList<bool>, trust);
    Launch launch(trust);
    launch.permission.checkAccessibilityPermission();
    QCOMPARE(flag(PreferenceKeys::accessibilityGranted), trust.first());
    QCOMPARE(launch.permission.isRecheckScheduled(), !trust.first());
    QTRY_VERIFY_WITH_TIMEOUT(flag(PreferenceKeys::accessibilityGranted), 20000);
    QCOMPARE(launch.checks, trust.size());
    QVERIFY(launch.prompts.isEmpty());
    QVERIFY(!flag(PreferenceKeys::accessibilityPromptShown));
}

void TestAccessibilityPermission::promptIsShownOnceEver_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("granted");
    QTest::addColumn<int>("settingsOpened");
    QTest::newRow("open settings") << u"Open System Preferences"_s << false << 1;
    QTest::newRow("already granted") << u"I've Already Granted Permission"_s << true << 0;
    QTest::newRow("later") << u"Later"_s << false << 0;
    QTest::newRow("escape means later") << u"Escape"_s << false << 0;
}

void TestAccessibilityPermission::promptIsShownOnceEver() {
    QFETCH(QString, answer);
    QFETCH(bool, granted);
    QFETCH(int, settingsOpened);
    Launch launch({false}, answer);
    launch.permission.checkAccessibilityPermission();
    launch.permission.recheckAccessibilityPermission();
    QCOMPARE(
        launch.prompts,
        QList<QStringList>(
            {{u"Accessibility Permission Required"_s,
              u"Vantri needs accessibility permission to listen for global hotkeys. "
              "Please grant permission in System Preferences."_s,
              u"Open System Preferences"_s, u"I've Already Granted Permission"_s, u"Later"_s}}));
    QCOMPARE(flag(PreferenceKeys::accessibilityGranted), granted);
    QCOMPARE(launch.settingsOpened, settingsOpened);
    QVERIFY(flag(PreferenceKeys::accessibilityPromptShown));
    QCOMPARE(launch.checks, 2); // the answer asks nothing of the trust check

    // Neither this launch nor a later one asks again.
    launch.permission.recheckAccessibilityPermission();
    AccessibilityPermission(launch.state, {[] { return false; }, [] {}})
        .recheckAccessibilityPermission();
    QCOMPARE(launch.prompts.size(), 1);
}

void TestAccessibilityPermission::trustFollowsTheSession() {
    QVERIFY(!isProcessTrusted()); // there is no X server here to grab keys on
}

void TestAccessibilityPermission::settingsOpenTheDesktopsShortcutPanel() {
    // GIO reads the application folders once per process: the entry comes before any look-up.
    IsolatedEnvironment environment;
    const QString opened = environment.tree().path(u"opened"_s);
    environment.tree().writeFile(
        u"share/applications/kcm_keys.desktop"_s,
        u"[Desktop Entry]\nType=Application\nName=Shortcuts\nExec=touch %1\n"_s.arg(opened)
            .toUtf8());
    QVERIFY(openShortcutSettings());
    QTRY_VERIFY(QFileInfo::exists(opened));
}

QTEST_MAIN(TestAccessibilityPermission)
#include "tst_accessibilitypermission.moc"
