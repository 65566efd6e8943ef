// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "TempTree.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>

// Builders for the application folders the index tests scan: bundles with
// XML or binary information dictionaries and freedesktop entries.
namespace ApplicationFixtures {

// An XML property list holding one dictionary; `body` is its inner XML.
inline QByteArray xmlDictionary(const QByteArray& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n" +
           body + "</dict>\n</plist>\n";
}

inline QByteArray stringEntry(const QByteArray& key, const QString& value) {
    return "<key>" + key + "</key><string>" + value.toHtmlEscaped().toUtf8() + "</string>\n";
}

inline QByteArray namedDictionary(const QString& bundleName) {
    return xmlDictionary(stringEntry("CFBundleIdentifier", QStringLiteral("org.example.app")) +
                         stringEntry("CFBundleName", bundleName));
}

// The same dictionary in the binary format, converted by plistutil.
inline QByteArray binaryDictionary(const QByteArray& xml) {
    QProcess converter;
    converter.start(QStringLiteral("plistutil"), {QStringLiteral("-f"), QStringLiteral("bin")});
    if (!converter.waitForStarted())
        qFatal("plistutil is missing (package libplist-utils)");
    converter.write(xml);
    converter.closeWriteChannel();
    converter.waitForFinished();
    const QByteArray binary = converter.readAllStandardOutput();
    if (converter.exitCode() != 0 || !binary.startsWith("bplist00"))
        qFatal("plistutil could not convert a dictionary");
    return binary;
}

// A bundle folder at `relative` whose Contents/Info.plist holds `dictionary`.
inline QString writeBundle(const TempTree& tree, const QString& relative,
                           const QByteArray& dictionary) {
    tree.writeFile(relative + QStringLiteral("/Contents/Info.plist"), dictionary);
    return tree.path(relative);
}

// A freedesktop application entry named `name`, with `extraLines` in its group.
inline QByteArray desktopEntry(const QString& name, const QByteArray& extraLines = {}) {
    return "[Desktop Entry]\nType=Application\nExec=true\nName=" + name.toUtf8() + "\n" +
           extraLines;
}

// An index file's text listing `entries`, each a name and a path, in the order given.
inline QByteArray indexFile(const QList<std::pair<QString, QString>>& entries) {
    QJsonArray array;
    for (const auto& [name, path] : entries)
        array.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("path"), path}});
    return QJsonDocument(array).toJson();
}

} // namespace ApplicationFixtures
