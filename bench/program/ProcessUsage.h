// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <map>
#include <vector>

namespace tandrel::bench {

// What /proc says about one process: CPU time so far, memory now, and where each goes. Linux only.
struct ProcessUsage {
    double cpuSeconds = 0; // time on the CPU, all live threads
    double rssKiB = 0;
    double pssKiB = 0;
    // CPU seconds per thread name (threads of one name summed).
    std::map<QString, double> cpuByThread;
    // Resident KiB per mapping: the file's name, or [heap], [anon], [stack].
    std::map<QString, double> rssByMapping;
};

// Absent fields stay zero when the process is gone.
ProcessUsage readProcessUsage(long long pid);

// The `count` entries of `amounts` that exceed `baseline` most (a missing entry counts as 0),
// largest excess first: where one program spends more than the other.
std::vector<std::pair<QString, double>> largestExcess(const std::map<QString, double>& amounts,
                                                      const std::map<QString, double>& baseline,
                                                      std::size_t count);

} // namespace tandrel::bench
