// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scripts/ScriptMetadataReader.h"

#include <QStringDecoder>

#include <yaml.h>

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

bool isUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoder works lazily: only the conversion to QString runs it.
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

// Far deeper than any metadata file needs. libyaml's time grows with the
// square of the nesting depth, so a file nested a million levels deep would
// hold up the scan for hours; it fails here after a few hundred events.
constexpr int maximumDepth = 64;

// libyaml's event stream, one event at a time. Aliases arrive as alias events
// and are never resolved, so memory stays proportional to the input however
// the file nests its anchors.
class YamlEvents {
public:
    explicit YamlEvents(QByteArrayView bytes)
        : _initialized(yaml_parser_initialize(&_parser) != 0) {
        if (!_initialized)
            return;
        // libyaml rejects a null pointer even for an empty input.
        static const unsigned char nothing = 0;
        const auto* input =
            bytes.isEmpty() ? &nothing : reinterpret_cast<const unsigned char*>(bytes.data());
        // The encoding is left to libyaml's detection: it skips a leading
        // byte-order mark only then, and bytes already checked as UTF-8 cannot
        // pass for UTF-16.
        yaml_parser_set_input_string(&_parser, input, static_cast<size_t>(bytes.size()));
    }
    ~YamlEvents() {
        releaseEvent();
        if (_initialized)
            yaml_parser_delete(&_parser);
    }
    YamlEvents(const YamlEvents&) = delete;
    YamlEvents& operator=(const YamlEvents&) = delete;

    // Moves to the next event; false on a syntax error or nesting too deep.
    bool advance() {
        releaseEvent();
        if (!_initialized || yaml_parser_parse(&_parser, &_event) == 0)
            return false;
        _hasEvent = true;
        if (_event.type == YAML_SEQUENCE_START_EVENT || _event.type == YAML_MAPPING_START_EVENT)
            ++_depth;
        else if (_event.type == YAML_SEQUENCE_END_EVENT || _event.type == YAML_MAPPING_END_EVENT)
            --_depth;
        return _depth <= maximumDepth;
    }
    bool advanceTo(yaml_event_type_t expected) { return advance() && type() == expected; }

    yaml_event_type_t type() const { return _hasEvent ? _event.type : YAML_NO_EVENT; }
    QString scalarText() const {
        return QString::fromUtf8(reinterpret_cast<const char*>(_event.data.scalar.value),
                                 static_cast<qsizetype>(_event.data.scalar.length));
    }

private:
    void releaseEvent() {
        if (_hasEvent)
            yaml_event_delete(&_event);
        _hasEvent = false;
    }

    yaml_parser_t _parser{};
    yaml_event_t _event{};
    bool _initialized;
    bool _hasEvent = false;
    int _depth = 0;
};

// Reads one metadata document from the event stream. Every reading function
// returns false as soon as the input deviates from the expected shape.
class MetadataParser {
public:
    explicit MetadataParser(QByteArrayView bytes)
        : _events(bytes) {}

    std::optional<ScriptMetadata> read() {
        ScriptMetadata metadata;
        const bool complete =
            _events.advanceTo(YAML_STREAM_START_EVENT) &&
            _events.advanceTo(YAML_DOCUMENT_START_EVENT) &&
            _events.advanceTo(YAML_MAPPING_START_EVENT) && readMetadataMapping(metadata) &&
            _events.advanceTo(YAML_DOCUMENT_END_EVENT) && _events.advanceTo(YAML_STREAM_END_EVENT);
        return complete ? std::optional(metadata) : std::nullopt;
    }

private:
    // A key of a mapping and the reader of its value.
    struct Field {
        QLatin1StringView key;
        std::function<bool()> readValue;
    };

    bool readMetadataMapping(ScriptMetadata& metadata) {
        return readMapping({
            {"name"_L1, scalar(metadata.name)},
            {"description"_L1, scalar(metadata.description)},
            {"author"_L1, scalar(metadata.author)},
            {"website"_L1, scalar(metadata.website)},
            {"type"_L1, scalar(metadata.type)},
            {"command"_L1, scalar(metadata.command)},
            {"arguments"_L1, [this, &metadata] { return readArguments(metadata.arguments); }},
            {"environments"_L1, scalarList(metadata.environments)},
            {"tags"_L1, scalarList(metadata.tags)},
        });
    }

    bool readArgumentMapping(Argument& argument) {
        return readMapping({
            {"name"_L1, scalar(argument.name)},
            {"type"_L1, scalar(argument.type)},
            {"placeholder"_L1, scalar(argument.placeholder)},
            {"optional"_L1, [this, &argument] { return readBoolean(argument.optional); }},
            {"description"_L1, scalar(argument.description)},
        });
    }

    std::function<bool()> scalar(QString& text) {
        return [this, &text] { return readScalar(text); };
    }
    std::function<bool()> scalarList(QStringList& texts) {
        return [this, &texts] { return readScalarList(texts); };
    }

    // Reads the pairs of a mapping whose start was the last event read. The key
    // of each of `fields` must occur exactly once; the values of all other keys
    // are skipped. A key repeated would leave it unclear which value is meant,
    // so it fails.
    bool readMapping(const QList<Field>& fields) {
        QList<bool> seen(fields.size(), false);
        for (;;) {
            if (!_events.advance())
                return false;
            if (_events.type() == YAML_MAPPING_END_EVENT)
                break;
            const qsizetype field =
                _events.type() == YAML_SCALAR_EVENT ? indexOfKey(fields, _events.scalarText()) : -1;
            if (field < 0) {
                if (!skipCurrentNode() || !skipNextNode())
                    return false;
                continue;
            }
            if (seen[field] || !fields[field].readValue())
                return false;
            seen[field] = true;
        }
        return !seen.contains(false);
    }

    static qsizetype indexOfKey(const QList<Field>& fields, const QString& key) {
        const auto found = std::find_if(fields.cbegin(), fields.cend(),
                                        [&key](const Field& field) { return field.key == key; });
        return found == fields.cend() ? -1 : found - fields.cbegin();
    }

    bool readScalar(QString& text) {
        if (!_events.advanceTo(YAML_SCALAR_EVENT))
            return false;
        text = _events.scalarText();
        return true;
    }

    bool readBoolean(bool& value) {
        QString text;
        if (!readScalar(text))
            return false;
        const QString word = text.toLower();
        if (word == u"true" || word == u"yes" || word == u"on")
            value = true;
        else if (word == u"false" || word == u"no" || word == u"off")
            value = false;
        else
            return false;
        return true;
    }

    bool readScalarList(QStringList& texts) {
        return readSequence([this, &texts] {
            if (_events.type() != YAML_SCALAR_EVENT)
                return false;
            texts.append(_events.scalarText());
            return true;
        });
    }

    bool readArguments(QList<Argument>& arguments) {
        return readSequence([this, &arguments] {
            Argument argument;
            if (_events.type() != YAML_MAPPING_START_EVENT || !readArgumentMapping(argument))
                return false;
            arguments.append(argument);
            return true;
        });
    }

    // Reads a sequence, calling `readItem` with the first event of each item
    // as the last one read.
    bool readSequence(const std::function<bool()>& readItem) {
        if (!_events.advanceTo(YAML_SEQUENCE_START_EVENT))
            return false;
        for (;;) {
            if (!_events.advance())
                return false;
            if (_events.type() == YAML_SEQUENCE_END_EVENT)
                return true;
            if (!readItem())
                return false;
        }
    }

    bool skipNextNode() { return _events.advance() && skipCurrentNode(); }

    // Passes over the node whose first event was the last one read, counting
    // depth rather than recursing.
    bool skipCurrentNode() {
        int depth = 0;
        for (;;) {
            switch (_events.type()) {
            case YAML_SEQUENCE_START_EVENT:
            case YAML_MAPPING_START_EVENT:
                ++depth;
                break;
            case YAML_SEQUENCE_END_EVENT:
            case YAML_MAPPING_END_EVENT:
                --depth;
                break;
            case YAML_SCALAR_EVENT:
            case YAML_ALIAS_EVENT:
                break;
            default:
                return false;
            }
            if (depth == 0)
                return true;
            if (!_events.advance())
                return false;
        }
    }

    YamlEvents _events;
};

} // namespace

std::optional<ScriptMetadata> readScriptMetadata(QByteArrayView bytes) {
    if (!isUtf8(bytes))
        return std::nullopt;
    return MetadataParser(bytes).read();
}
