// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scripts/run/ScriptOutputDecoder.h"

std::optional<QString> ScriptOutputDecoder::decode(QByteArrayView chunk) {
    QString text = _decoder.decode(chunk);
    if (!_decoder.hasError())
        return text;
    // The fault may lie in an unfinished character carried over from the
    // previous chunk; then this chunk is sound on its own and only the carried
    // bytes are lost.
    _decoder.resetState();
    text = _decoder.decode(chunk);
    if (!_decoder.hasError())
        return text;
    _decoder.resetState();
    return std::nullopt;
}
