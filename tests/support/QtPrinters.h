// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QUrl>

#include <ostream>

// Readable GoogleTest failure messages for Qt values (found by argument-dependent lookup).
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QUrl& url, std::ostream* os) {
    *os << "QUrl(" << url.toString().toStdString() << ')';
}
