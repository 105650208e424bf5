// SPDX-License-Identifier: MIT
#include "core/PromptsFile.h"

#include <QCoreApplication>

#include "core/JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>

namespace tandrel::PromptsFile {

namespace {

QString typeName(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Null:
        return QCoreApplication::translate("PromptsFile", "null");
    case QJsonValue::Bool:
        return QCoreApplication::translate("PromptsFile", "a Boolean");
    case QJsonValue::Double:
        return QCoreApplication::translate("PromptsFile", "a number");
    case QJsonValue::String:
        return QCoreApplication::translate("PromptsFile", "a string");
    case QJsonValue::Array:
        return QCoreApplication::translate("PromptsFile", "an array");
    case QJsonValue::Object:
        return QCoreApplication::translate("PromptsFile", "an object");
    case QJsonValue::Undefined:
        break;
    }
    return QCoreApplication::translate("PromptsFile", "missing");
}

// Line and column (both from 1) of a byte offset; the column counts characters, not bytes.
QString position(const QByteArray& data, qsizetype offset) {
    offset = std::clamp<qsizetype>(offset, 0, data.size());
    int line = 1;
    int column = 1;
    for (qsizetype i = 0; i < offset; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte == '\n') {
            ++line;
            column = 1;
        } else if ((byte & 0xC0) != 0x80) { // continuation bytes belong to the same character
            ++column;
        }
    }
    return QCoreApplication::translate("PromptsFile", "line %1, column %2").arg(line).arg(column);
}

// Offset of the first byte that breaks UTF-8 (overlong forms, surrogates and values past
// U+10FFFF included), or nothing when the data is valid. Qt would quietly replace such bytes,
// and the next save would then lose what the user had in the file.
std::optional<qsizetype> firstInvalidUtf8(const QByteArray& data) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype size = data.size();
    qsizetype i = 0;
    while (i < size) {
        const unsigned char lead = bytes[i];
        int length = 0;
        char32_t minimum = 0;
        char32_t cp = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, minimum = 0x80, cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, minimum = 0x800, cp = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, minimum = 0x10000, cp = lead & 0x07;
        } else {
            return i;
        }
        if (i + length > size)
            return i;
        for (int k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return i;
            cp = (cp << 6) | (bytes[i + k] & 0x3F);
        }
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return i;
        i += length;
    }
    return std::nullopt;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The surrogate that a \uXXXX escape at `i` (pointing at the backslash) stands for, or 0.
char16_t escapedSurrogate(const QByteArray& data, qsizetype i) {
    if (i + 6 > data.size() || data[i] != '\\' || data[i + 1] != 'u')
        return 0;
    for (qsizetype k = i + 2; k < i + 6; ++k) {
        if (!isHexDigit(data[k]))
            return 0;
    }
    const auto unit = char16_t(data.mid(i + 2, 4).toUInt(nullptr, 16));
    return unit >= 0xD800 && unit <= 0xDFFF ? unit : 0;
}

// `data` with every escaped lone surrogate replaced by the escape of U+FFFD, which has the same
// length. The strict reader refuses lone surrogates, which JSON's grammar allows and our writer
// uses to keep them; positions of any other error stay where they were.
QByteArray withLoneSurrogatesMasked(QByteArray data) {
    bool inString = false;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (!inString) {
            inString = c == '"';
            continue;
        }
        if (c == '"') {
            inString = false;
        } else if (c == '\\') {
            const char16_t unit = escapedSurrogate(data, i);
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                const char16_t next = escapedSurrogate(data, i + 6);
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    i += 11; // a pair: both escapes stay
                    continue;
                }
            }
            if (unit != 0) {
                data.replace(i + 2, 4, "fffd");
                i += 5;
            } else {
                ++i; // the escaped character cannot end the string
            }
        }
    }
    return data;
}

// Refuses anything that is not JSON by RFC 8259: unknown escapes, raw control characters in
// strings, malformed numbers, trailing commas, comments and text after the value. The lenient
// Qt reader used for the values below accepts some of these and would quietly change the text.
// Reads JSON events and keeps nothing but the first error: the values are taken from Qt's
// reader once the text is known to be JSON.
struct StrictJsonCheck final : nlohmann::json_sax<nlohmann::json> {
    std::size_t errorByte = 0;
    std::string errorMessage;

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return true; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return true; }
    bool start_array(std::size_t) override { return true; }
    bool end_array() override { return true; }
    bool parse_error(std::size_t byte, const std::string&,
                     const nlohmann::detail::exception& error) override {
        errorByte = byte;
        errorMessage = error.what();
        return false;
    }
};

// Refuses anything that is not JSON by RFC 8259: unknown escapes, raw control characters in
// strings, malformed numbers, trailing commas, comments and text after the value. Qt's reader,
// used for the values, accepts some of these and would quietly change the text.
void requireStrictJson(const QByteArray& data, const QString& path) {
    const QByteArray masked = withLoneSurrogatesMasked(data);
    StrictJsonCheck check;
    if (nlohmann::json::sax_parse(masked.cbegin(), masked.cend(), &check))
        return;
    // The library's message starts with its own position in bytes; ours counts characters.
    QString reason = QString::fromStdString(check.errorMessage);
    const qsizetype column = reason.indexOf(QLatin1String("column "));
    const qsizetype colon = column < 0 ? -1 : reason.indexOf(QLatin1String(": "), column);
    if (colon >= 0)
        reason = reason.mid(colon + 2);
    const auto offset = qsizetype(check.errorByte == 0 ? 0 : check.errorByte - 1);
    throw DecodingError(
        path,
        QCoreApplication::translate("PromptsFile", "%1: %2").arg(position(data, offset), reason));
}

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

QString requiredString(const QJsonObject& object, const QString& key, qsizetype number,
                       const QString& path) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        throw DecodingError(path,
                            QCoreApplication::translate("PromptsFile", "prompt %1 has no \"%2\"")
                                .arg(number)
                                .arg(key));
    if (!value.isString())
        throw DecodingError(path, QCoreApplication::translate(
                                      "PromptsFile", "\"%1\" of prompt %2 is %3, not a string")
                                      .arg(key)
                                      .arg(number)
                                      .arg(typeName(value)));
    return value.toString();
}

} // namespace

QUuid parseCanonicalUuid(const QString& s) {
    if (s.size() != 36)
        return {};
    for (qsizetype i = 0; i < s.size(); ++i) {
        const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphenPlace ? s[i] != u'-' : !isHexDigit(s[i]))
            return {};
    }
    return QUuid::fromString(s);
}

QByteArray encode(const Configuration& configuration) {
    QJsonArray prompts;
    for (const Prompt& prompt : configuration.prompts) {
        prompts.append(QJsonObject{
            {QStringLiteral("id"), prompt.id.toString(QUuid::WithoutBraces).toUpper()},
            {QStringLiteral("title"), prompt.title},
            {QStringLiteral("text"), prompt.text},
        });
    }
    return JsonWriter::write(QJsonObject{{QStringLiteral("prompts"), prompts}});
}

Configuration decode(const QByteArray& data, const QString& path) {
    if (data.isEmpty())
        throw DecodingError(path, QCoreApplication::translate("PromptsFile", "the file is empty"));
    if (const auto bad = firstInvalidUtf8(data))
        throw DecodingError(
            path, QCoreApplication::translate("PromptsFile", "%1: the text is not valid UTF-8")
                      .arg(position(data, *bad)));

    requireStrictJson(data, path);

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw DecodingError(path,
                            QCoreApplication::translate("PromptsFile", "%1: %2")
                                .arg(position(data, parseError.offset), parseError.errorString()));
    if (!document.isObject()) {
        const QString found = document.isArray()
                                  ? QCoreApplication::translate("PromptsFile", "an array")
                                  : QCoreApplication::translate("PromptsFile", "not an object");
        throw DecodingError(path, QCoreApplication::translate(
                                      "PromptsFile", "the top level is %1; it must be an object "
                                                     "holding \"prompts\"")
                                      .arg(found));
    }

    const QJsonValue list = document.object().value(QStringLiteral("prompts"));
    if (list.isUndefined())
        throw DecodingError(
            path, QCoreApplication::translate("PromptsFile", "there is no \"prompts\" list"));
    if (!list.isArray())
        throw DecodingError(
            path, QCoreApplication::translate("PromptsFile", "\"prompts\" is %1, not an array")
                      .arg(typeName(list)));

    Configuration configuration;
    const QJsonArray items = list.toArray();
    configuration.prompts.reserve(items.size());
    for (qsizetype i = 0; i < items.size(); ++i) {
        const qsizetype number = i + 1;
        const QJsonValue item = items.at(i);
        if (!item.isObject())
            throw DecodingError(
                path, QCoreApplication::translate("PromptsFile", "prompt %1 is %2, not an object")
                          .arg(number)
                          .arg(typeName(item)));
        const QJsonObject object = item.toObject();
        const QString idText = requiredString(object, QStringLiteral("id"), number, path);
        const QString title = requiredString(object, QStringLiteral("title"), number, path);
        const QString text = requiredString(object, QStringLiteral("text"), number, path);
        const QUuid id = parseCanonicalUuid(idText);
        if (id.isNull() && idText != u"00000000-0000-0000-0000-000000000000")
            throw DecodingError(path, QCoreApplication::translate(
                                          "PromptsFile", "\"id\" of prompt %1 is not a valid UUID "
                                                         "(expected the form "
                                                         "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX)")
                                          .arg(number));
        configuration.prompts.emplace_back(id, title, text);
    }
    return configuration;
}

} // namespace tandrel::PromptsFile
