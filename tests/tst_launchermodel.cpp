// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LauncherFixture.h"
#include "index/AppIndexManager.h"
#include "launcher/LauncherController.h"
#include "launcher/LauncherModel.h"
#include "launcher/SearchPipeline.h"
#include "scripts/ScriptManager.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
QStringList names(const ResultItems& items) {
    QStringList result;
    for (const ResultItem& item : items)
        result.append(item.name);
    return result;
}

// The launcher without its window, over an index file of applications; the
// applications it opens and the panel's hiding are recorded.
struct Launcher {
    TempTree tree;
    AppIndexManager apps;
    ScriptManager scripts;
    int windowHides = 0;
    QStringList opened;
    LauncherModel model{scripts, apps, [this] { ++windowHides; }};

    explicit Launcher(const QStringList& applications)
        : apps(QStringList(), LauncherFixture::writeIndexFile(tree, applications)) {
        model.controller().setApplicationOpener([this](const QString& path) {
            opened.append(QFileInfo(path).completeBaseName());
            return ApplicationLaunch{true, {}};
        });
        model.setupSearch();
    }

    // Sends `query` as typed and waits until its results are shown.
    void search(const QString& query, const QStringList& expected) {
        model.searchPipeline().send(query);
        QTRY_COMPARE(names(model.resultItems()), expected);
        QTRY_VERIFY(model.showResults() == !query.isEmpty());
    }
};
} // namespace

class TestLauncherModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void selectionStaysWithinTheList();
    void resultsForAStaleQueryAreDropped();
    void returnActsOnWhatWasTyped();
    void escapeEmptiesThePanelAndDismissesIt();
};

void TestLauncherModel::selectionStaysWithinTheList() {
    Launcher launcher({u"alpha"_s, u"alps"_s, u"altitude"_s});
    launcher.search(u"nothing matches"_s, {});
    // Return on an empty list is used up and does nothing; the arrows go on to the field.
    QVERIFY(launcher.model.handleKey(Qt::Key_Return));
    QVERIFY(!launcher.model.handleKey(Qt::Key_Down) && !launcher.model.handleKey(Qt::Key_Up));
    QVERIFY(launcher.windowHides == 0 && launcher.opened.isEmpty());

    launcher.search(u"al"_s, {u"alpha"_s, u"alps"_s, u"altitude"_s});
    using Step = std::pair<Qt::Key, int>;
    for (const auto& [key, selected] : {Step{Qt::Key_Up, 0}, Step{Qt::Key_Down, 1},
                                        Step{Qt::Key_Down, 2}, Step{Qt::Key_Down, 2}}) {
        QVERIFY(launcher.model.handleKey(key));
        QCOMPARE(launcher.model.selectedIndex(), selected);
    }
    // A new list starts at its first row.
    launcher.search(u"alp"_s, {u"alpha"_s, u"alps"_s});
    QCOMPARE(launcher.model.selectedIndex(), 0);
}

void TestLauncherModel::resultsForAStaleQueryAreDropped() {
    Launcher launcher({u"alpha"_s, u"beta"_s});
    launcher.search(u"alp"_s, {u"alpha"_s});
    const ResultItems stale =
        SearchPipeline::performSearch(launcher.apps.apps(), launcher.scripts.scripts(), u"bet"_s);
    launcher.model.applySearchResults(u"bet"_s, stale);
    QCOMPARE(names(launcher.model.resultItems()), QStringList{u"alpha"_s});
    // The same results are taken once their query is the current one.
    launcher.model.searchPipeline().send(u"bet"_s);
    launcher.model.applySearchResults(u"bet"_s, stale);
    QCOMPARE(launcher.model.resultItems().at(0).id, stale.at(0).id);
}

void TestLauncherModel::returnActsOnWhatWasTyped() {
    Launcher launcher({u"foo"_s, u"bar"_s});
    launcher.search(u"foo"_s, {u"foo"_s});
    // A new query typed over the old one, and Return before its results are
    // listed: what runs is what was typed, not the row still on screen.
    launcher.model.searchPipeline().send(u"bar"_s);
    QCOMPARE(names(launcher.model.resultItems()), QStringList{u"foo"_s});
    QVERIFY(launcher.model.handleKey(Qt::Key_Return));
    QTRY_COMPARE(launcher.opened, QStringList{u"bar"_s});
    QCOMPARE(launcher.windowHides, 1);
}

void TestLauncherModel::escapeEmptiesThePanelAndDismissesIt() {
    Launcher launcher({u"foo"_s});
    launcher.search(u"foo"_s, {u"foo"_s});
    QSignalSpy dismissals(&launcher.model, &LauncherModel::dismissRequested);
    // A Return waiting for results is dropped with the rest.
    launcher.model.searchPipeline().send(u"fo"_s);
    QVERIFY(launcher.model.handleKey(Qt::Key_Return));
    QVERIFY(launcher.model.handleKey(Qt::Key_Escape));
    QCOMPARE(dismissals.count(), 1);
    QVERIFY(launcher.model.resultItems().isEmpty() && !launcher.model.showResults());
    // The results it waited for still come, and nothing opens.
    QTRY_COMPARE(names(launcher.model.resultItems()), QStringList{u"foo"_s});
    QVERIFY(launcher.opened.isEmpty());
}

QTEST_GUILESS_MAIN(TestLauncherModel)
#include "tst_launchermodel.moc"
