// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/DataControlClipboard.h"

#include "platform/linux/ClipboardContent.h"

#include "platform/linux/wayland/WaylandConnection.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <wayland-client.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tandrel::linuxdesktop {

namespace {

// Hands the bytes of one type to a program pasting them, without waiting on it.
class Delivery final : public QObject {
public:
    Delivery(int fd, QByteArray bytes) : m_fd(fd), m_bytes(std::move(bytes)) {
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { write(); });
        // A reader that never takes it all does not keep us forever.
        QTimer::singleShot(5000, this, [this] { finish(); });
    }
    ~Delivery() override { ::close(m_fd); }

private:
    void write() {
        while (m_sent < m_bytes.size()) {
            const ssize_t n =
                ::write(m_fd, m_bytes.constData() + m_sent, std::size_t(m_bytes.size() - m_sent));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            if (n <= 0)
                break;
            m_sent += n;
        }
        finish();
    }
    void finish() {
        m_notifier->setEnabled(false);
        deleteLater();
    }

    int m_fd;
    QByteArray m_bytes;
    qsizetype m_sent = 0;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace

// One read of another program's content: a pipe per type, all read as they come, answered once
// every one is at its end or the time is up.
class DataControlClipboard::Read final : public QObject, public Handle {
public:
    Read(zwlr_data_control_offer_v1* offer, const QStringList& types, WaylandConnection& connection,
         double timeout, std::function<void(std::optional<PasteboardContent>)> done)
        : m_done(std::move(done)) {
        for (const QString& type : types) {
            int fds[2];
            if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
                continue;
            zwlr_data_control_offer_v1_receive(offer, type.toUtf8().constData(), fds[1]);
            ::close(fds[1]);
            auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, this);
            const std::size_t index = m_parts.size();
            m_parts.push_back({type, {}, fds[0], notifier, false});
            connect(notifier, &QSocketNotifier::activated, this, [this, index] { drain(index); });
        }
        connection.flush();
        QTimer::singleShot(int(timeout * 1000), this, [this] { finish(false); });
        if (m_parts.empty())
            QTimer::singleShot(0, this, [this] { finish(true); });
    }
    ~Read() override {
        for (Part& part : m_parts) {
            if (part.fd >= 0)
                ::close(part.fd);
        }
    }

private:
    struct Part {
        QString type;
        QByteArray bytes;
        int fd;
        QSocketNotifier* notifier;
        bool ended;
    };

    void drain(std::size_t index) {
        Part& part = m_parts[index];
        char chunk[65536];
        for (;;) {
            const ssize_t n = ::read(part.fd, chunk, sizeof chunk);
            if (n > 0) {
                part.bytes.append(chunk, n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            break; // the end, or a writer that broke off: what came is all there is
        }
        part.notifier->setEnabled(false);
        ::close(part.fd);
        part.fd = -1;
        part.ended = true;
        for (const Part& other : m_parts) {
            if (!other.ended)
                return;
        }
        finish(true);
    }

    void finish(bool complete) {
        if (!m_done)
            return;
        auto done = std::move(m_done);
        m_done = nullptr;
        std::optional<PasteboardContent> content;
        if (complete) {
            PasteboardItem item;
            for (Part& part : m_parts) {
                if (!part.bytes.isEmpty())
                    item.emplace_back(part.type, std::move(part.bytes));
            }
            content = item.empty() ? PasteboardContent{} : PasteboardContent{item};
        }
        // Handed over from the event loop, like every other answer; the handle may go first.
        QMetaObject::invokeMethod(
            this, [done = std::move(done), content = std::move(content)] { done(content); },
            Qt::QueuedConnection);
    }

    std::vector<Part> m_parts;
    std::function<void(std::optional<PasteboardContent>)> m_done;
};

QString DataControlClipboard::problem() const {
    if (available())
        return {};
    return QStringLiteral(
        "this compositor offers no clipboard control (zwlr_data_control_manager_v1)");
}

DataControlClipboard::DataControlClipboard(WaylandConnection& connection)
    : m_connection(connection) {
    if (!connection.dataControl() || !connection.seat())
        return;
    static const zwlr_data_control_device_v1_listener listener = {
        &DataControlClipboard::onDataOffer, &DataControlClipboard::onSelection,
        &DataControlClipboard::onFinished, &DataControlClipboard::onPrimarySelection};
    m_device =
        zwlr_data_control_manager_v1_get_data_device(connection.dataControl(), connection.seat());
    zwlr_data_control_device_v1_add_listener(m_device, &listener, this);
    // The selection in force now, so the first read has something to read.
    connection.roundtrip();
}

DataControlClipboard::~DataControlClipboard() {
    if (m_source)
        zwlr_data_control_source_v1_destroy(m_source);
    for (auto& [offer, _] : m_offers)
        zwlr_data_control_offer_v1_destroy(offer);
    if (m_device)
        zwlr_data_control_device_v1_destroy(m_device);
    m_connection.flush();
}

void DataControlClipboard::onDataOffer(void* data, zwlr_data_control_device_v1*,
                                       zwlr_data_control_offer_v1* offer) {
    auto* self = static_cast<DataControlClipboard*>(data);
    static const zwlr_data_control_offer_v1_listener listener = {
        &DataControlClipboard::onOfferType};
    self->m_offers[offer] = {};
    zwlr_data_control_offer_v1_add_listener(offer, &listener, self);
}

void DataControlClipboard::onOfferType(void* data, zwlr_data_control_offer_v1* offer,
                                       const char* type) {
    auto* self = static_cast<DataControlClipboard*>(data);
    const auto it = self->m_offers.find(offer);
    if (it != self->m_offers.end())
        it->second.types << QString::fromUtf8(type);
}

void DataControlClipboard::dropOffer(zwlr_data_control_offer_v1* offer) {
    if (!offer || !m_offers.erase(offer))
        return;
    zwlr_data_control_offer_v1_destroy(offer);
}

void DataControlClipboard::onSelection(void* data, zwlr_data_control_device_v1*,
                                       zwlr_data_control_offer_v1* offer) {
    auto* self = static_cast<DataControlClipboard*>(data);
    if (self->m_selection != offer)
        self->dropOffer(self->m_selection);
    self->m_selection = offer;
    if (!self->m_sawFirstSelection) {
        self->m_sawFirstSelection = true; // what was there before we came is no change
        return;
    }
    if (self->m_echoes > 0) {
        --self->m_echoes;
        return;
    }
    self->m_changed.notify();
}

void DataControlClipboard::onPrimarySelection(void* data, zwlr_data_control_device_v1*,
                                              zwlr_data_control_offer_v1* offer) {
    // The primary selection is not the clipboard.
    static_cast<DataControlClipboard*>(data)->dropOffer(offer);
}

void DataControlClipboard::onFinished(void* data, zwlr_data_control_device_v1*) {
    auto* self = static_cast<DataControlClipboard*>(data);
    zwlr_data_control_device_v1_destroy(self->m_device);
    self->m_device = nullptr;
}

void DataControlClipboard::onSend(void* data, zwlr_data_control_source_v1* source, const char* type,
                                  int32_t fd) {
    auto* self = static_cast<DataControlClipboard*>(data);
    QByteArray bytes;
    if (source == self->m_source) {
        const QString wanted = QString::fromUtf8(type);
        for (const auto& [name, value] : self->m_own) {
            if (name == wanted) {
                bytes = value;
                break;
            }
        }
    }
    new Delivery(fd, std::move(bytes)); // takes the descriptor
}

void DataControlClipboard::onCancelled(void* data, zwlr_data_control_source_v1* source) {
    auto* self = static_cast<DataControlClipboard*>(data);
    // Somebody else's content replaced ours; their selection event counts the change.
    if (source == self->m_source) {
        self->m_source = nullptr;
        self->m_own.clear();
    }
    zwlr_data_control_source_v1_destroy(source);
}

std::unique_ptr<Handle>
DataControlClipboard::readContent(double timeout,
                                  std::function<void(std::optional<PasteboardContent>)> done) {
    if (m_source || !m_device || !m_selection) {
        std::optional<PasteboardContent> held = heldContent();
        return answerLater(held.value_or(PasteboardContent{}), std::move(done));
    }
    return std::make_unique<Read>(m_selection, m_offers[m_selection].types, m_connection, timeout,
                                  std::move(done));
}

std::optional<PasteboardContent> DataControlClipboard::heldContent() const {
    if (!m_source)
        return std::nullopt;
    PasteboardItem item;
    for (const auto& entry : m_own) {
        if (entry.first != secretHintType() || entry.second != secretHintValue())
            item.push_back(entry);
    }
    return item.empty() ? PasteboardContent{} : PasteboardContent{item};
}

bool DataControlClipboard::setSelection(PasteboardItem item) {
    if (!m_device)
        return false;
    static const zwlr_data_control_source_v1_listener listener = {
        &DataControlClipboard::onSend, &DataControlClipboard::onCancelled};
    zwlr_data_control_source_v1* source = nullptr;
    if (!item.empty()) {
        bool hinted = false;
        for (const auto& entry : item)
            hinted = hinted || entry.first == secretHintType();
        if (!hinted)
            item.emplace_back(secretHintType(), secretHintValue());
        source = zwlr_data_control_manager_v1_create_data_source(m_connection.dataControl());
        zwlr_data_control_source_v1_add_listener(source, &listener, this);
        for (const auto& entry : item)
            zwlr_data_control_source_v1_offer(source, entry.first.toUtf8().constData());
    }
    zwlr_data_control_device_v1_set_selection(m_device, source);
    if (m_source)
        zwlr_data_control_source_v1_destroy(m_source);
    m_source = source;
    m_own = std::move(item);
    ++m_echoes;
    m_connection.flush();
    return true;
}

bool DataControlClipboard::write(const PasteboardContent& content) {
    PasteboardItem merged = asOneItem(content);
    // Plain text alone is offered under every name native applications ask for it by.
    if (merged.size() == 1 && merged.front().first == QLatin1String("text/plain")) {
        const QByteArray utf8 = merged.front().second;
        merged = {{QStringLiteral("text/plain;charset=utf-8"), utf8},
                  {QStringLiteral("text/plain"), utf8},
                  {QStringLiteral("UTF8_STRING"), utf8},
                  {QStringLiteral("STRING"), utf8},
                  {QStringLiteral("TEXT"), utf8}};
    }
    return setSelection(std::move(merged));
}

std::unique_ptr<Handle> DataControlClipboard::observeChanges(std::function<void()> handler) {
    return m_changed.add(std::move(handler));
}

} // namespace tandrel::linuxdesktop
