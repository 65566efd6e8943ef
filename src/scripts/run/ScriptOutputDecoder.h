// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <optional>

// Decodes a child's output, read in chunks, as UTF-8. A character split
// between two reads comes out whole with the later chunk. A chunk whose own
// bytes are not UTF-8 yields nothing, and decoding starts afresh after it;
// unfinished bytes left at the end of the output are never delivered.
class ScriptOutputDecoder {
public:
    std::optional<QString> decode(QByteArrayView chunk);

private:
    QStringDecoder _decoder{QStringDecoder::Utf8};
};
