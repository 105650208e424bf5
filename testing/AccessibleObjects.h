// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace tandrel::e2e {

// One widget of another application as a screen reader reads it over AT-SPI: what it is, what it
// is called, whether it can be used, and where it is on the screen.
struct AccessibleObject {
    QString role; // AT-SPI's role name: "push button", "label", "text", "alert", ...
    QString name;
    QString text; // what a text object holds; empty for others
    bool enabled = false;
    QRect extents; // screen pixels

    QPoint centre() const { return extents.center(); }
};

// Connects this process to the accessibility bus that the environment names. Call it after the
// private desktop has exported its addresses; later calls answer the first result.
bool connectToAccessibilityBus(QString* error);

// The showing objects of the process's windows, depth first; hidden windows and their contents
// are left out. Read afresh on every call, never from a cache.
std::vector<AccessibleObject> showingObjectsOf(qint64 pid);

// The first showing object of the process with that role and name.
std::optional<AccessibleObject> findShowing(qint64 pid, const QString& role, const QString& name);

// Records, from its creation on, every change of the enabled state of the process's objects,
// as the accessibility bus announces it. Changes arrive through the event loop.
class EnabledChanges {
public:
    struct Change {
        QString role;
        QString name;
        bool enabled = false;
    };

    explicit EnabledChanges(qint64 pid);
    ~EnabledChanges();
    EnabledChanges(const EnabledChanges&) = delete;
    EnabledChanges& operator=(const EnabledChanges&) = delete;

    bool isListening() const;
    const std::vector<Change>& changes() const;
    void clear();

    struct State;

private:
    std::unique_ptr<State> m_state;
};

} // namespace tandrel::e2e
