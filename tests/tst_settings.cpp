#include "TempTree.h"
#include "app/AppVersion.h"
#include "index/AppIndexManager.h"
#include "state/AppState.h"
#include "state/LaunchAtLogin.h"
#include "ui/MoreInfoView.h"
#include "ui/Settings.h"
#include "ui/ShortcutSelectorView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

const QByteArray applicationEntry = "[Desktop Entry]\nType=Application\nName=Editor\nExec=true\n";

// A settings panel on an AppState whose index lives in the test's own folders,
// with the folder chooser answering from `chosenFolder`.
struct Fixture {
    IsolatedEnvironment environment;
    QString applications = environment.tree().makeDir(QStringLiteral("apps"));
    std::unique_ptr<AppState> appState =
        std::make_unique<AppState>(std::make_unique<AppIndexManager>(
            QStringList{applications},
            environment.dataHome() + QStringLiteral("/Vantri/appIndex.json")));
    QString chosenFolder;
    int folderRequests = 0;
    int registrations = 0;
    std::unique_ptr<Settings> settings;

    void show() {
        settings = std::make_unique<Settings>(
            *appState, nullptr,
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
    QPushButton* hotkeyButton() const { return child<QPushButton>(QStringLiteral("hotkeyButton")); }
    QPushButton* indexButton() const { return child<QPushButton>(QStringLiteral("indexButton")); }
    QLineEdit* folderField() const { return child<QLineEdit>(QStringLiteral("scriptFolderField")); }
    QCheckBox* loginBox() const {
        return child<QCheckBox>(QStringLiteral("launchAtLoginCheckBox"));
    }
    QString autostartEntry() const {
        return environment.configHome() + QStringLiteral("/autostart/vantri.desktop");
    }
};

QPushButton* segment(const Settings& settings, const QString& title) {
    for (QPushButton* candidate : settings.findChildren<QPushButton*>()) {
        if (candidate->text() == title && candidate->property("segment").isValid())
            return candidate;
    }
    qFatal("no segment %s", qPrintable(title));
}

QPushButton* chooserButton(const ShortcutSelectorView& view, const QString& text) {
    for (QPushButton* candidate : view.findChildren<QPushButton*>()) {
        if (candidate->text() == text)
            return candidate;
    }
    qFatal("no chooser button %s", qPrintable(text));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void panelHasItsFixedSizeHeaderAndTabs();
    void tabsSwitchTheGroupBoxContent();
    void hotkeyButtonFollowsTheSavedShortcut();
    void hotkeyButtonOpensAFreshChooserEachTime();
    void indexButtonFollowsIndexing();
    void folderFieldShowsTheChosenFolderOnly();
    void loginBoxShowsTheAutostartEntryEachTimeThePanelIsShown();
    void loginBoxRegistersAndUnregisters();
    void refusedRegistrationKeepsTheTickUntilShownAgain();
    void headerOpensTheSupportSheet();
    void closingTheWindowCancelsItsSheets();
};

void TestSettings::panelHasItsFixedSizeHeaderAndTabs() {
    Fixture fixture;
    fixture.show();
    QCOMPARE(fixture.settings->size(), QSize(450, 280));
    QCOMPARE(fixture.child<QLabel>(QStringLiteral("productName"))->text(),
             QStringLiteral("Vantri"));
    QCOMPARE(fixture.child<QLabel>(QStringLiteral("versionLabel"))->text(), appVersionString());
    QVERIFY(!fixture.child<QLabel>(QStringLiteral("logo"))->pixmap().isNull());
    QCOMPARE(fixture.loginBox()->text(), QStringLiteral("Launch Vantri at login"));
    QVERIFY(!fixture.child<QLabel>(QStringLiteral("ownershipNotice"))->text().isEmpty());

    // Everything fits inside the panel.
    for (const QWidget* widget : fixture.settings->findChildren<QWidget*>()) {
        if (widget->isVisible() && !widget->isWindow())
            QVERIFY2(fixture.settings->rect().contains(
                         QRect(widget->mapTo(fixture.settings.get(), QPoint()), widget->size())),
                     qPrintable(widget->objectName() + widget->metaObject()->className()));
    }
}

void TestSettings::tabsSwitchTheGroupBoxContent() {
    Fixture fixture;
    fixture.show();
    Settings& settings = *fixture.settings;
    const QStringList titles = {QStringLiteral("Launcher Hotkey"), QStringLiteral("Applications"),
                                QStringLiteral("Scripts Folder")};
    for (int index = 0; index + 1 < titles.size(); ++index)
        QVERIFY(segment(settings, titles[index])->x() < segment(settings, titles[index + 1])->x());

    QCOMPARE(settings.selectedTab(), 0);
    QVERIFY(segment(settings, titles[0])->isChecked());
    QVERIFY(fixture.hotkeyButton()->isVisible());
    QVERIFY(!fixture.indexButton()->isVisible());

    QTest::mouseClick(segment(settings, titles[1]), Qt::LeftButton);
    QCOMPARE(settings.selectedTab(), 1);
    QVERIFY(!segment(settings, titles[0])->isChecked());
    QVERIFY(fixture.indexButton()->isVisible());
    QVERIFY(!fixture.hotkeyButton()->isVisible());

    QTest::mouseClick(segment(settings, titles[2]), Qt::LeftButton);
    QCOMPARE(settings.selectedTab(), 2);
    QVERIFY(fixture.folderField()->isVisible());
    QVERIFY(fixture.child<QPushButton>(QStringLiteral("browseButton"))->isVisible());
    QVERIFY(!fixture.indexButton()->isVisible());
}

void TestSettings::hotkeyButtonFollowsTheSavedShortcut() {
    Fixture fixture;
    fixture.show();
    QCOMPARE(fixture.hotkeyButton()->text(), QStringLiteral("Set Launcher Hotkey"));
    QCOMPARE(fixture.hotkeyButton()->height(), 30);
    QVERIFY(fixture.hotkeyButton()->width() >= 100);

    fixture.appState->setSavedShortcut(QStringLiteral("⌃⌥A"));
    QCOMPARE(fixture.hotkeyButton()->text(), QStringLiteral("⌃⌥A"));
    fixture.appState->setSavedShortcut(QString());
    QCOMPARE(fixture.hotkeyButton()->text(), QStringLiteral("Set Launcher Hotkey"));
}

void TestSettings::hotkeyButtonOpensAFreshChooserEachTime() {
    Fixture fixture;
    fixture.show();
    QVERIFY(!fixture.settings->shortcutPopup());

    QTest::mouseClick(fixture.hotkeyButton(), Qt::LeftButton);
    ShortcutSelectorView* chooser = fixture.settings->shortcutPopup();
    QVERIFY(chooser);
    QVERIFY(QTest::qWaitForWindowExposed(chooser));
    QCOMPARE(chooser->windowModality(), Qt::WindowModal);
    for (const QString& symbol : {QStringLiteral("⌘"), QStringLiteral("⌥"), QStringLiteral("K")})
        QTest::mouseClick(chooserButton(*chooser, symbol), Qt::LeftButton);
    QTest::mouseClick(chooserButton(*chooser, QStringLiteral("Set")), Qt::LeftButton);

    QCOMPARE(fixture.registrations, 1);
    QVERIFY(!fixture.settings->shortcutPopup());
    QCOMPARE(fixture.hotkeyButton()->text(), QStringLiteral("⌘⌥K"));

    QTest::mouseClick(fixture.hotkeyButton(), Qt::LeftButton);
    chooser = fixture.settings->shortcutPopup();
    QVERIFY(chooser);
    QVERIFY(chooser->selectedModifiers().isEmpty());
    QVERIFY(!chooser->selectedKey());
    QTest::mouseClick(chooserButton(*chooser, QStringLiteral("Cancel")), Qt::LeftButton);
    QVERIFY(!fixture.settings->shortcutPopup());
    QCOMPARE(fixture.registrations, 1);
    QCOMPARE(fixture.hotkeyButton()->text(), QStringLiteral("⌘⌥K"));
}

void TestSettings::indexButtonFollowsIndexing() {
    Fixture fixture;
    fixture.environment.tree().writeFile(QStringLiteral("apps/editor.desktop"), applicationEntry);
    fixture.show();
    QPushButton* button = fixture.indexButton();
    QTRY_VERIFY(!fixture.appState->isIndexing());
    QCOMPARE(button->text(), QStringLiteral("Index Applications"));
    QVERIFY(button->isEnabled());

    // What the button shows each time the state announces a change.
    QList<QPair<QString, bool>> shown;
    connect(fixture.appState.get(), &AppState::isIndexingChanged, button, [&] {
        shown.append({button->text(), button->isEnabled()});
    });
    QTest::mouseClick(segment(*fixture.settings, QStringLiteral("Applications")), Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);

    QTRY_COMPARE(shown.size(), 2);
    QCOMPARE(shown[0], qMakePair(QStringLiteral("Indexing..."), false));
    QCOMPARE(shown[1], qMakePair(QStringLiteral("Index Applications"), true));
    QCOMPARE(fixture.appState->appIndexManager().searchApps(QStringLiteral("edit")).size(), 1);
}

void TestSettings::folderFieldShowsTheChosenFolderOnly() {
    Fixture fixture;
    const QString first = fixture.environment.tree().makeDir(QStringLiteral("scripts one"));
    fixture.appState->setScriptFolderPath(first);
    fixture.show();
    QTest::mouseClick(segment(*fixture.settings, QStringLiteral("Scripts Folder")), Qt::LeftButton);
    QLineEdit* field = fixture.folderField();
    auto* browse = fixture.child<QPushButton>(QStringLiteral("browseButton"));
    QCOMPARE(field->text(), first);
    QCOMPARE(field->placeholderText(), QStringLiteral("Select command scripts folder"));
    QCOMPARE(browse->size(), QSize(80, 30));

    QTest::keyClicks(field, QStringLiteral("typed"));
    QCOMPARE(field->text(), first);
    QCOMPARE(fixture.appState->scriptFolderPath(), first);

    QSignalSpy changes(fixture.appState.get(), &AppState::scriptFolderPathChanged);
    fixture.chosenFolder.clear();
    QTest::mouseClick(browse, Qt::LeftButton);
    QCOMPARE(fixture.folderRequests, 1);
    QCOMPARE(field->text(), first);
    QCOMPARE(fixture.appState->scriptFolderPath(), first);
    QVERIFY(changes.isEmpty());

    const QString second = fixture.environment.tree().makeDir(QStringLiteral("scripts two"));
    fixture.chosenFolder = second;
    QTest::mouseClick(browse, Qt::LeftButton);
    QCOMPARE(fixture.appState->scriptFolderPath(), second);
    QCOMPARE(field->text(), second);

    fixture.appState->setScriptFolderPath(QString());
    QVERIFY(field->text().isEmpty());
}

void TestSettings::loginBoxShowsTheAutostartEntryEachTimeThePanelIsShown() {
    Fixture fixture;
    fixture.show();
    QVERIFY(!fixture.loginBox()->isChecked());

    fixture.settings->hide();
    const QByteArray entry = "[Desktop Entry]\nType=Application\nName=Vantri\nExec=/opt/vantri\n";
    fixture.environment.tree().writeFile(QStringLiteral("config/autostart/vantri.desktop"), entry);
    fixture.settings->show();
    QVERIFY(fixture.loginBox()->isChecked());
    QCOMPARE(readFile(fixture.autostartEntry()), entry);

    // An entry the user hid stays as it is: reading the state never writes it.
    fixture.settings->hide();
    const QByteArray hidden = entry + "Hidden=true\n";
    fixture.environment.tree().writeFile(QStringLiteral("config/autostart/vantri.desktop"), hidden);
    fixture.settings->show();
    QVERIFY(!fixture.loginBox()->isChecked());
    QCOMPARE(readFile(fixture.autostartEntry()), hidden);
}

void TestSettings::loginBoxRegistersAndUnregisters() {
    Fixture fixture;
    fixture.show();
    QTest::mouseClick(fixture.loginBox(), Qt::LeftButton);
    QVERIFY(fixture.settings->isLaunchAtLoginChecked());
    QVERIFY(launchAtLoginEnabled());
    QVERIFY(readFile(fixture.autostartEntry())
                .contains(QCoreApplication::applicationFilePath().toUtf8()));

    QTest::mouseClick(fixture.loginBox(), Qt::LeftButton);
    QVERIFY(!fixture.settings->isLaunchAtLoginChecked());
    QVERIFY(!QFile::exists(fixture.autostartEntry()));

    fixture.settings->hide();
    fixture.settings->show();
    QVERIFY(!fixture.loginBox()->isChecked());
}

void TestSettings::refusedRegistrationKeepsTheTickUntilShownAgain() {
    Fixture fixture;
    // A file where the autostart folder should be makes registering fail.
    fixture.environment.tree().writeFile(QStringLiteral("config/autostart"), "in the way");
    fixture.show();

    QTest::mouseClick(fixture.loginBox(), Qt::LeftButton);
    QVERIFY(fixture.loginBox()->isChecked());
    QVERIFY(!launchAtLoginEnabled());

    fixture.settings->hide();
    fixture.settings->show();
    QVERIFY(!fixture.loginBox()->isChecked());
    QCOMPARE(readFile(fixture.environment.configHome() + QStringLiteral("/autostart")),
             QByteArray("in the way"));
}

void TestSettings::headerOpensTheSupportSheet() {
    Fixture fixture;
    fixture.show();
    for (const QString& part :
         {QStringLiteral("productName"), QStringLiteral("versionLabel"), QStringLiteral("logo")}) {
        QVERIFY(!fixture.settings->moreInfo());
        QTest::mouseClick(fixture.child<QWidget>(part), Qt::LeftButton);
        MoreInfoView* sheet = fixture.settings->moreInfo();
        QVERIFY2(sheet, qPrintable(part));
        QVERIFY(QTest::qWaitForWindowExposed(sheet));
        QTest::keyClick(sheet, Qt::Key_Return);
        QVERIFY(!fixture.settings->moreInfo());
    }
    // A click on the tabs below the header opens nothing.
    QTest::mouseClick(segment(*fixture.settings, QStringLiteral("Applications")), Qt::LeftButton);
    QVERIFY(!fixture.settings->moreInfo());
}

void TestSettings::closingTheWindowCancelsItsSheets() {
    Fixture fixture;
    fixture.appState->setSavedShortcut(QStringLiteral("⌃A"));
    fixture.show();
    QTest::mouseClick(fixture.hotkeyButton(), Qt::LeftButton);
    ShortcutSelectorView* chooser = fixture.settings->shortcutPopup();
    QVERIFY(chooser);
    for (const QString& symbol : {QStringLiteral("⌘"), QStringLiteral("K")})
        QTest::mouseClick(chooserButton(*chooser, symbol), Qt::LeftButton);

    QVERIFY(fixture.settings->close());
    QVERIFY(!fixture.settings->shortcutPopup());
    QCOMPARE(fixture.appState->savedShortcut(), QStringLiteral("⌃A"));
    QCOMPARE(fixture.registrations, 0);

    fixture.settings->show();
    fixture.settings->showMoreInfo();
    QVERIFY(fixture.settings->moreInfo());
    QVERIFY(fixture.settings->close());
    QVERIFY(!fixture.settings->moreInfo());
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
