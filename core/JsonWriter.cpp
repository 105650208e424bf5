// SPDX-License-Identifier: MIT
#include "core/JsonWriter.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>

namespace tandrel::JsonWriter {

namespace {

void writeEscaped(QString& out, char16_t unit) {
    static constexpr char hex[] = "0123456789abcdef";
    out += u"\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += QChar(hex[(unit >> shift) & 0xF]);
}

void writeString(QString& out, const QString& s) {
    out += u'"';
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c.isSurrogate()) {
            // A surrogate pair is one character and is written as itself. A lone surrogate has
            // no UTF-8 form: written raw it would turn into a replacement character and the
            // text would not read back as saved, so it is kept through its escape.
            if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
                out += c;
                out += s[++i];
            } else {
                writeEscaped(out, c.unicode());
            }
            continue;
        }
        switch (c.unicode()) {
        case u'"':
            out += u"\\\"";
            break;
        case u'\\':
            out += u"\\\\";
            break;
        case u'/':
            out += u"\\/";
            break;
        case u'\b':
            out += u"\\b";
            break;
        case u'\f':
            out += u"\\f";
            break;
        case u'\n':
            out += u"\\n";
            break;
        case u'\r':
            out += u"\\r";
            break;
        case u'\t':
            out += u"\\t";
            break;
        case 0xFEFF:
            // Written raw, a byte order mark at the start of a string is dropped by the reader,
            // so the text would not read back as saved.
            writeEscaped(out, c.unicode());
            break;
        default:
            if (c.unicode() < 0x20) {
                writeEscaped(out, c.unicode());
            } else {
                out += c;
            }
        }
    }
    out += u'"';
}

void writeValue(QString& out, const QJsonValue& value, int depth);

void newline(QString& out, int depth) {
    out += u'\n';
    out += QString(depth * 2, u' ');
}

void writeArray(QString& out, const QJsonArray& array, int depth) {
    if (array.isEmpty()) {
        out += u"[]";
        return;
    }
    out += u'[';
    for (qsizetype i = 0; i < array.size(); ++i) {
        newline(out, depth + 1);
        writeValue(out, array.at(i), depth + 1);
        if (i + 1 < array.size())
            out += u',';
    }
    newline(out, depth);
    out += u']';
}

void writeObject(QString& out, const QJsonObject& object, int depth) {
    if (object.isEmpty()) {
        out += u"{}";
        return;
    }
    QStringList keys = object.keys();
    std::sort(keys.begin(), keys.end()); // QString's operator< compares UTF-16 code units
    out += u'{';
    for (qsizetype i = 0; i < keys.size(); ++i) {
        newline(out, depth + 1);
        writeString(out, keys[i]);
        out += u" : ";
        writeValue(out, object.value(keys[i]), depth + 1);
        if (i + 1 < keys.size())
            out += u',';
    }
    newline(out, depth);
    out += u'}';
}

void writeValue(QString& out, const QJsonValue& value, int depth) {
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        out += u"null";
        break;
    case QJsonValue::Bool:
        out += value.toBool() ? u"true" : u"false";
        break;
    case QJsonValue::Double:
        if (value.isDouble() && value.toDouble() == double(value.toInteger()))
            out += QString::number(value.toInteger());
        else
            out += QString::number(value.toDouble(), 'g', 17);
        break;
    case QJsonValue::String:
        writeString(out, value.toString());
        break;
    case QJsonValue::Array:
        writeArray(out, value.toArray(), depth);
        break;
    case QJsonValue::Object:
        writeObject(out, value.toObject(), depth);
        break;
    }
}

} // namespace

QByteArray write(const QJsonValue& value) {
    QString out;
    writeValue(out, value, 0);
    out += u'\n';
    return out.toUtf8();
}

} // namespace tandrel::JsonWriter
