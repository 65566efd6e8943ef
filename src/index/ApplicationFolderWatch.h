// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

class FolderChangeWatch;
class FolderLookout;

// Watches the application folders and every folder the scan enters below
// them through the kernel's change notices (no polling, so an idle program
// stays asleep), for items added, removed, renamed or rewritten in place,
// and says so once the changes have settled. A folder that
// does not exist yet is looked out for from its nearest existing parent, so
// that it counts from the moment it appears; what is written to the files of
// that parent is not looked at. Main thread; the folders are
// listed on a worker.
class ApplicationFolderWatch : public QObject {
    Q_OBJECT

public:
    // How long the folders must stay unchanged before a change is reported.
    static constexpr int settleMs = 1000;

    // `indexWritten`: when the index in use was written. When a folder changed
    // after that, the first look at the folders reports a change; an invalid
    // time reports none.
    ApplicationFolderWatch(QStringList roots, QDateTime indexWritten, QObject* parent = nullptr);

    // The application folders watched now, sorted.
    QStringList watchedFolders() const;
    // The nearest existing parents of the missing application folders, watched for entries only.
    QStringList lookouts() const;
    // Whether a change waits for the folders to settle.
    bool isSettling() const { return _settleTimer.isActive(); }

Q_SIGNALS:
    // Items were added, removed, renamed or rewritten in the application folders.
    void changed();
    // The folders were looked at again and the watch follows them now.
    void watchRenewed();

private:
    struct Survey {
        QSet<QString> folders;
        QStringList missingRoots;
        QDateTime latestChange;
    };
    static Survey survey(const QStringList& roots);
    void startSurvey();
    void finishSurvey(const Survey& result);
    void noteItemChange();
    void settle();
    void follow();

    const QStringList _roots;
    QDateTime _indexWritten;
    // The application folders, and apart from them the missing ones, looked
    // out for from their nearest existing parents.
    FolderChangeWatch* _itemWatch;
    FolderLookout* _lookout;
    QTimer _settleTimer;
    QSet<QString> _folders;
    QStringList _missingRoots;
    bool _hasSurveyed = false;
    bool _itemsChanged = false;
    bool _surveying = false;
    bool _reportWhenSurveyed = false;
    bool _surveyAgain = false;
};
