#include "SettingsFixture.h"
#include "state/LaunchAtLogin.h"
#include "ui/MoreInfoView.h"
#include "ui/Settings.h"
#include "ui/ShortcutSelectorView.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A settings panel on screen, with the folder chooser answering from `chosenFolder`.
struct Fixture : SettingsState {
    QString chosenFolder;
    int folderRequests = 0;
    int registrations = 0;
    std::unique_ptr<Settings> settings;

    explicit Fixture(const QString& scriptFolder = {}) {
        if (!scriptFolder.isEmpty())
            appState.setScriptFolderPath(environment.tree().makeDir(scriptFolder));
        settings = std::make_unique<Settings>(
            appState, nullptr,
            [this](QWidget*) {
                ++folderRequests;
                return chosenFolder;
            },
            [this] { ++registrations; });
        settings->show();
        QVERIFY(QTest::qWaitForWindowExposed(settings.get()));
    }

    template <typename T> T* child(const QString& name) const {
        T* widget = settings->findChild<T*>(name);
        if (!widget)
            qFatal("no child %s", qPrintable(name));
        return widget;
    }
    QPushButton* tab(const QString& title) const {
        return buttonShowing(*settings, title, "segment");
    }
};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tabsSwitchTheGroupBoxContent();
    void hotkeyButtonShowsAndChoosesTheShortcut();
    void indexButtonFollowsIndexing();
    void folderFieldShowsTheChosenFolderOnly();
    void loginBoxFollowsTheAutostartEntry();
    void sheetsOpenFromTheHeaderAndCloseWithTheWindow();
};

void TestSettings::tabsSwitchTheGroupBoxContent() {
    Fixture fixture;
    const QStringList titles = {u"Launcher Hotkey"_s, u"Applications"_s, u"Scripts Folder"_s};
    const QList<QWidget*> controls = {fixture.child<QWidget>(u"hotkeyButton"_s),
                                      fixture.child<QWidget>(u"indexButton"_s),
                                      fixture.child<QWidget>(u"scriptFolderField"_s)};
    for (int selected = 0; selected < titles.size(); ++selected) {
        if (selected > 0) {
            QVERIFY(fixture.tab(titles[selected - 1])->x() < fixture.tab(titles[selected])->x());
            QTest::mouseClick(fixture.tab(titles[selected]), Qt::LeftButton);
        }
        QCOMPARE(fixture.settings->selectedTab(), selected);
        for (int index = 0; index < titles.size(); ++index) {
            QCOMPARE(fixture.tab(titles[index])->isChecked(), index == selected);
            QCOMPARE(controls[index]->isVisible(), index == selected);
        }
    }
}

void TestSettings::hotkeyButtonShowsAndChoosesTheShortcut() {
    Fixture fixture;
    auto* hotkey = fixture.child<QPushButton>(u"hotkeyButton"_s);
    QCOMPARE(hotkey->text(), u"Set Launcher Hotkey"_s);
    // The button opens the chooser; Set saves and registers, and the button follows the state.
    QTest::mouseClick(hotkey, Qt::LeftButton);
    ShortcutSelectorView* chooser = fixture.settings->shortcutPopup();
    QVERIFY(chooser);
    QCOMPARE(chooser->windowModality(), Qt::WindowModal);
    for (const QString& text : {u"⌘"_s, u"K"_s, u"Set"_s})
        QTest::mouseClick(buttonShowing(*chooser, text), Qt::LeftButton);
    QVERIFY(!fixture.settings->shortcutPopup());
    QCOMPARE(fixture.registrations, 1);
    QCOMPARE(hotkey->text(), u"⌘K"_s);
    fixture.appState.setSavedShortcut(QString());
    QCOMPARE(hotkey->text(), u"Set Launcher Hotkey"_s);
}

void TestSettings::indexButtonFollowsIndexing() {
    Fixture fixture;
    fixture.environment.tree().writeFile(
        u"apps/editor.desktop"_s, "[Desktop Entry]\nType=Application\nName=Editor\nExec=true\n");
    auto* index = fixture.child<QPushButton>(u"indexButton"_s);
    QTRY_VERIFY(!fixture.appState.isIndexing());

    // What the button shows each time the state announces a change.
    QList<QPair<QString, bool>> shown;
    connect(&fixture.appState, &AppState::isIndexingChanged, index, [&] {
        shown.append({index->text(), index->isEnabled()});
    });
    QTest::mouseClick(fixture.tab(u"Applications"_s), Qt::LeftButton);
    QTest::mouseClick(index, Qt::LeftButton);
    QTRY_COMPARE(shown.size(), 2);
    QCOMPARE(shown[0], qMakePair(u"Indexing..."_s, false));
    QCOMPARE(shown[1], qMakePair(u"Index Applications"_s, true));
    QCOMPARE(fixture.appState.appIndexManager().searchApps(u"edit"_s).size(), 1);
}

void TestSettings::folderFieldShowsTheChosenFolderOnly() {
    Fixture fixture(u"scripts one"_s);
    const QString first = fixture.appState.scriptFolderPath();
    QTest::mouseClick(fixture.tab(u"Scripts Folder"_s), Qt::LeftButton);
    auto* field = fixture.child<QLineEdit>(u"scriptFolderField"_s);
    QTest::keyClicks(field, u"typed"_s);
    QCOMPARE(field->text(), first);
    // A chooser closed without a folder changes nothing.
    auto* browse = fixture.child<QPushButton>(u"browseButton"_s);
    QTest::mouseClick(browse, Qt::LeftButton);
    QCOMPARE(fixture.folderRequests, 1);
    QCOMPARE(fixture.appState.scriptFolderPath(), first);

    fixture.chosenFolder = fixture.environment.tree().makeDir(u"scripts two"_s);
    QTest::mouseClick(browse, Qt::LeftButton);
    QCOMPARE(fixture.appState.scriptFolderPath(), fixture.chosenFolder);
    QCOMPARE(field->text(), fixture.chosenFolder);
    fixture.appState.setScriptFolderPath(QString());
    QVERIFY(field->text().isEmpty());
}

void TestSettings::loginBoxFollowsTheAutostartEntry() {
    Fixture fixture;
    auto* box = fixture.child<QCheckBox>(u"launchAtLoginCheckBox"_s);
    QVERIFY(!box->isChecked());
    // The box reads the entry each time the panel is shown.
    const auto reshow = [&](const QString& file, const QByteArray& content) {
        fixture.settings->hide();
        QDir(fixture.environment.configHome() + u"/autostart"_s).removeRecursively();
        fixture.environment.tree().writeFile(file, content);
        fixture.settings->show();
    };
    reshow(u"config/autostart/vantri.desktop"_s,
           "[Desktop Entry]\nType=Application\nName=Vantri\nExec=/opt/vantri\n");
    QVERIFY(box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(!launchAtLoginEnabled());
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(launchAtLoginEnabled());

    // A refused registration keeps the tick only until the panel is shown again.
    reshow(u"config/autostart"_s, "in the way");
    QVERIFY(!box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->isChecked() && !launchAtLoginEnabled());
    fixture.settings->hide();
    fixture.settings->show();
    QVERIFY(!box->isChecked());
}

void TestSettings::sheetsOpenFromTheHeaderAndCloseWithTheWindow() {
    Fixture fixture;
    for (const QString& part : {u"productName"_s, u"versionLabel"_s, u"logo"_s}) {
        QTest::mouseClick(fixture.child<QWidget>(part), Qt::LeftButton);
        QVERIFY2(fixture.settings->moreInfo(), qPrintable(part));
        QTest::keyClick(fixture.settings->moreInfo(), Qt::Key_Return);
        QVERIFY(!fixture.settings->moreInfo());
    }
    // Closing the window cancels an open sheet: a half-made choice is not saved.
    fixture.settings->showShortcutPopup();
    for (const QString& text : {u"⌘"_s, u"K"_s})
        QTest::mouseClick(buttonShowing(*fixture.settings->shortcutPopup(), text), Qt::LeftButton);
    QVERIFY(fixture.settings->close());
    QVERIFY(!fixture.settings->shortcutPopup());
    QVERIFY(fixture.appState.savedShortcut().isEmpty() && fixture.registrations == 0);
    fixture.settings->show();
    fixture.settings->showMoreInfo();
    QVERIFY(fixture.settings->close());
    QVERIFY(!fixture.settings->moreInfo());
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
