// SPDX-License-Identifier: MIT
#include "platform/linux/QtClock.h"

#include <QTimer>

#include <cmath>
#include <ctime>

namespace tandrel::linuxdesktop {

namespace {

int toMilliseconds(double seconds) {
    if (!(seconds > 0))
        return 0;
    return static_cast<int>(std::min(std::ceil(seconds * 1000.0), 2147483647.0));
}

// Owns the timer. The work may destroy its own handle while it runs; the timer is then
// deleted once control is back in the event loop instead of under its own signal.
class TimerHandle final : public Handle {
public:
    TimerHandle(bool singleShot, int ms, Qt::TimerType type, std::function<void()> work)
        : m_timer(new QTimer), m_work(std::move(work)) {
        m_timer->setSingleShot(singleShot);
        m_timer->setTimerType(type);
        m_timer->setInterval(ms);
        QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] {
            m_firing = true;
            bool destroyed = false;
            m_destroyedFlag = &destroyed;
            const std::function<void()> work = m_work; // the handle may go away inside
            work();
            if (destroyed)
                return;
            m_destroyedFlag = nullptr;
            m_firing = false;
        });
        m_timer->start();
    }

    ~TimerHandle() override {
        m_timer->stop();
        if (m_destroyedFlag)
            *m_destroyedFlag = true;
        if (m_firing)
            m_timer->deleteLater();
        else
            delete m_timer;
    }

private:
    QTimer* m_timer;
    std::function<void()> m_work;
    bool m_firing = false;
    bool* m_destroyedFlag = nullptr;
};

} // namespace

double QtClock::uptime() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

std::unique_ptr<Handle> QtClock::runAfter(double seconds, std::function<void()> work) {
    return std::make_unique<TimerHandle>(true, toMilliseconds(seconds), Qt::PreciseTimer,
                                         std::move(work));
}

std::unique_ptr<Handle> QtClock::repeat(double interval, double tolerance,
                                        std::function<void()> tick) {
    return std::make_unique<TimerHandle>(false, std::max(1, toMilliseconds(interval)),
                                         tolerance > 0 ? Qt::CoarseTimer : Qt::PreciseTimer,
                                         std::move(tick));
}

} // namespace tandrel::linuxdesktop
