// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Observers.h"
#include "platform/Pasteboard.h"

#include <QObject>

#include <cstdint>
#include <map>
#include <memory>

struct zwlr_data_control_device_v1;
struct zwlr_data_control_offer_v1;
struct zwlr_data_control_source_v1;

namespace tandrel::linuxdesktop {

class WaylandConnection;

// The Wayland clipboard (the seat's selection) through wlr data-control, which native
// applications paste from: XWayland does not hand an X11 clipboard to them. The same guarantees
// as the X11 clipboard: every type read and written back byte for byte, another program's content
// read without waiting on it and within a bound, our own writes marked with the hint clipboard
// managers honour for secrets, and every change by anybody else reported.
class DataControlClipboard final : public QObject, public Pasteboard {
    Q_OBJECT
public:
    explicit DataControlClipboard(WaylandConnection& connection);
    ~DataControlClipboard() override;

    bool available() const { return m_device != nullptr; }
    // Why the native clipboard cannot be used; empty when it can.
    QString problem() const;

    std::unique_ptr<Handle>
    readContent(double timeout,
                std::function<void(std::optional<PasteboardContent>)> done) override;
    bool write(const PasteboardContent& content) override;
    std::unique_ptr<Handle> observeChanges(std::function<void()> handler) override;

    // What this process holds on the clipboard; none when another program does.
    std::optional<PasteboardContent> heldContent() const;

private:
    class Read;
    struct Offer {
        QStringList types;
    };
    static void onDataOffer(void* data, zwlr_data_control_device_v1*,
                            zwlr_data_control_offer_v1* offer);
    static void onSelection(void* data, zwlr_data_control_device_v1*,
                            zwlr_data_control_offer_v1* offer);
    static void onFinished(void* data, zwlr_data_control_device_v1*);
    static void onPrimarySelection(void*, zwlr_data_control_device_v1*,
                                   zwlr_data_control_offer_v1* offer);
    static void onOfferType(void* data, zwlr_data_control_offer_v1* offer, const char* type);
    static void onSend(void* data, zwlr_data_control_source_v1* source, const char* type,
                       int32_t fd);
    static void onCancelled(void* data, zwlr_data_control_source_v1* source);
    void dropOffer(zwlr_data_control_offer_v1* offer);
    bool setSelection(PasteboardItem item);

    WaylandConnection& m_connection;
    zwlr_data_control_device_v1* m_device = nullptr;
    std::map<zwlr_data_control_offer_v1*, Offer> m_offers;
    zwlr_data_control_offer_v1* m_selection = nullptr;
    bool m_sawFirstSelection = false;
    // Selections of our own still to be announced back to us: not a change by anybody else.
    int m_echoes = 0;
    Observers m_changed;
    zwlr_data_control_source_v1* m_source = nullptr;
    PasteboardItem m_own;
};

} // namespace tandrel::linuxdesktop
