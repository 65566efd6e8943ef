// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "scripts/ScriptMetadata.h"

#include <QByteArrayView>

#include <optional>

// Reads the bytes of one ".meta" file: UTF-8 text holding a single YAML
// document whose root is a mapping with every field of ScriptMetadata. Any
// deviation (bytes that are not UTF-8, a syntax error, a second document, a
// missing key, a value of the wrong kind) yields nothing; the reason is of no
// use to the caller, which skips the file either way.
std::optional<ScriptMetadata> readScriptMetadata(QByteArrayView bytes);
