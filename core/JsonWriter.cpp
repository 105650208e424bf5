#include "core/JsonWriter.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>

namespace tandrel::JsonWriter {

namespace {

void writeString(QString& out, const QString& s) {
    static constexpr char hex[] = "0123456789abcdef";
    out += u'"';
    for (QChar c : s) {
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
        default:
            if (c.unicode() < 0x20) {
                out += u"\\u00";
                out += QChar(hex[c.unicode() >> 4]);
                out += QChar(hex[c.unicode() & 0xF]);
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
