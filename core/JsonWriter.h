// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QJsonValue>

namespace tandrel::JsonWriter {

// Writes `value` as UTF-8 JSON in the prompts file's house style: one member or element per
// line, two-space indentation, " : " between key and value, keys sorted by UTF-16 code units,
// the solidus escaped as "\/", other non-ASCII characters written as themselves (except a lone
// surrogate, which has no UTF-8 form, and U+FEFF, which readers may drop as a byte order mark:
// those as their \u escapes), and a final line feed. Empty arrays and objects are written as
// "[]" and "{}".
QByteArray write(const QJsonValue& value);

} // namespace tandrel::JsonWriter
