// SPDX-License-Identifier: MIT
#include "bench/program/ProcessUsage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace tandrel::bench {

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Time on the CPU from a schedstat file, in seconds: it counts nanoseconds, where the stat file's
// user and system times count whole clock ticks (10 ms), too coarse for an idle program.
double cpuOfSchedstat(const QByteArray& schedstat) {
    return double(schedstat.split(' ').value(0).toLongLong()) / 1e9;
}

QString mappingName(const QByteArray& line) {
    // address perms offset dev inode [path]
    const QList<QByteArray> parts = line.simplified().split(' ');
    if (parts.size() < 6)
        return QStringLiteral("[anon]");
    const QString path = QString::fromUtf8(parts.mid(5).join(' '));
    return path.startsWith(u'/') ? QFileInfo(path).fileName() : path;
}

} // namespace

ProcessUsage readProcessUsage(long long pid) {
    ProcessUsage usage;
    const QString base = QStringLiteral("/proc/%1").arg(pid);
    const QStringList tasks =
        QDir(base + QStringLiteral("/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& task : tasks) {
        const QString dir = base + QStringLiteral("/task/") + task;
        const double cpu = cpuOfSchedstat(readAll(dir + QStringLiteral("/schedstat")));
        usage.cpuSeconds += cpu;
        usage.cpuByThread[QString::fromUtf8(readAll(dir + QStringLiteral("/comm")).trimmed())] +=
            cpu;
    }
    QString current = QStringLiteral("[anon]");
    for (const QByteArray& line : readAll(base + QStringLiteral("/smaps")).split('\n')) {
        // Mapping headers start with an address range; field lines with "Name:".
        const QByteArray first = line.left(line.indexOf(' '));
        if (first.contains('-') && !first.endsWith(':')) {
            current = mappingName(line);
            continue;
        }
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() < 2)
            continue;
        const double kib = parts[1].toDouble();
        if (parts[0] == "Rss:") {
            usage.rssKiB += kib;
            usage.rssByMapping[current] += kib;
        } else if (parts[0] == "Pss:") {
            usage.pssKiB += kib;
        }
    }
    return usage;
}

std::vector<std::pair<QString, double>> largestExcess(const std::map<QString, double>& amounts,
                                                      const std::map<QString, double>& baseline,
                                                      std::size_t count) {
    std::vector<std::pair<QString, double>> sorted;
    for (const auto& [name, amount] : amounts) {
        const auto other = baseline.find(name);
        sorted.emplace_back(name, amount - (other == baseline.end() ? 0.0 : other->second));
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& a, const auto& b) { return a.second > b.second; });
    if (sorted.size() > count)
        sorted.resize(count);
    return sorted;
}

} // namespace tandrel::bench
