// SPDX-License-Identifier: MIT
#include "platform/linux/X11ClipboardReader.h"

#include <QCoreApplication>
#include <QPointer>

#include <cstdlib>
#include <memory>

namespace tandrel::linuxdesktop {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

// Types named like MIME types that are no content of the owner's: Qt's image it derives from the
// real image types.
bool isDerivedType(const QByteArray& name) {
    return name == "application/x-qt-image";
}

} // namespace

X11ClipboardReader::X11ClipboardReader(xcb_connection_t* connection) : m_connection(connection) {
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    m_root = xcb_setup_roots_iterator(setup).data->root;
    m_clipboard = intern("CLIPBOARD");
    m_targets = intern("TARGETS");
    m_incr = intern("INCR");
    m_utf8 = intern("UTF8_STRING");
    m_property = intern("_TANDREL_CLIPBOARD_READ");
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { finish(std::nullopt); });
}

X11ClipboardReader::~X11ClipboardReader() {
    stop();
}

xcb_atom_t X11ClipboardReader::intern(const char* name) const {
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, uint16_t(qstrlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QByteArray X11ClipboardReader::atomName(xcb_atom_t atom) const {
    const XcbReply<xcb_get_atom_name_reply_t> reply(
        xcb_get_atom_name_reply(m_connection, xcb_get_atom_name(m_connection, atom), nullptr));
    if (!reply)
        return {};
    return QByteArray(xcb_get_atom_name_name(reply.get()),
                      xcb_get_atom_name_name_length(reply.get()));
}

std::uint64_t X11ClipboardReader::start(double timeout, Done done) {
    stop();
    m_delivering = 0;
    m_read = ++m_lastRead;
    m_done = std::move(done);
    m_item.clear();
    m_pending.clear();
    m_askedTargets = false;

    const XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr));
    if (!owner || owner->owner == XCB_NONE) {
        // Nobody holds the clipboard: it is empty, which is known at once.
        const std::uint64_t read = m_read;
        finish(PasteboardContent{});
        return read;
    }

    // A window of its own for each read: an answer the owner sends after the read ended goes to
    // a window that no longer exists, never into the next read.
    m_window = xcb_generate_id(m_connection);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, m_root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    QCoreApplication::instance()->installNativeEventFilter(this);
    m_deadline.start(std::max(0, int(timeout * 1000)));
    m_askedTargets = true;
    request(m_targets);
    return m_read;
}

void X11ClipboardReader::cancel(std::uint64_t read) {
    if (read == m_read)
        stop();
    if (read == m_delivering)
        m_delivering = 0;
}

void X11ClipboardReader::request(xcb_atom_t target) {
    xcb_convert_selection(m_connection, m_window, m_clipboard, target, m_property,
                          XCB_CURRENT_TIME);
    xcb_flush(m_connection);
}

bool X11ClipboardReader::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!m_read || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_SELECTION_NOTIFY: {
        const auto& notify = *reinterpret_cast<const xcb_selection_notify_event_t*>(event);
        if (notify.requestor != m_window)
            return false;
        onSelectionNotify(notify);
        return true;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto& notify = *reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (notify.window != m_window)
            return false;
        onPropertyNotify(notify);
        return true;
    }
    default:
        return false;
    }
}

bool X11ClipboardReader::takeProperty(xcb_atom_t* type, QByteArray* bytes) {
    // Deleting the property is what tells an owner sending increments to send the next one.
    const XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(m_connection,
                               xcb_get_property(m_connection, 1, m_window, m_property,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4),
                               nullptr));
    xcb_flush(m_connection);
    if (!reply)
        return false;
    *type = reply->type;
    *bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                        xcb_get_property_value_length(reply.get()));
    return true;
}

void X11ClipboardReader::onSelectionNotify(const xcb_selection_notify_event_t& event) {
    if (event.property == XCB_NONE) {
        // The owner refused: without its list of types nothing can be saved whole; a single type
        // it will not convert is left out, as it would be for any reader.
        if (m_askedTargets)
            return finish(std::nullopt);
        m_pending.pop_front();
        return next();
    }
    xcb_atom_t type = XCB_NONE;
    QByteArray bytes;
    if (!takeProperty(&type, &bytes))
        return finish(std::nullopt);
    if (m_askedTargets) {
        m_askedTargets = false;
        plan(bytes);
        return next();
    }
    if (type == m_incr) {
        // The property held only a size estimate; the chunks follow as new values.
        m_pending.front().incremental = true;
        return;
    }
    Transfer done = std::move(m_pending.front());
    m_pending.pop_front();
    keep(done, std::move(bytes));
    next();
}

void X11ClipboardReader::onPropertyNotify(const xcb_property_notify_event_t& event) {
    if (event.atom != m_property || event.state != XCB_PROPERTY_NEW_VALUE || m_pending.empty() ||
        !m_pending.front().incremental)
        return;
    xcb_atom_t type = XCB_NONE;
    QByteArray chunk;
    if (!takeProperty(&type, &chunk))
        return finish(std::nullopt);
    Transfer& transfer = m_pending.front();
    if (!chunk.isEmpty()) {
        transfer.received += chunk;
        return;
    }
    // An empty chunk ends the transfer.
    Transfer done = std::move(transfer);
    m_pending.pop_front();
    keep(done, std::move(done.received));
    next();
}

void X11ClipboardReader::keep(const Transfer& transfer, QByteArray bytes) {
    if (bytes.isEmpty())
        return; // delivered nothing: left out, as a refused type is
    // STRING is Latin-1; plain text is kept as UTF-8, as every other owner gives it.
    if (transfer.target == XCB_ATOM_STRING)
        bytes = QString::fromLatin1(bytes).toUtf8();
    m_item.emplace_back(transfer.type, std::move(bytes));
}

void X11ClipboardReader::plan(const QByteArray& targets) {
    const auto* atoms = reinterpret_cast<const xcb_atom_t*>(targets.constData());
    const qsizetype count = targets.size() / qsizetype(sizeof(xcb_atom_t));
    xcb_atom_t text = XCB_NONE;
    QStringList seen;
    for (qsizetype i = 0; i < count; ++i) {
        const xcb_atom_t atom = atoms[i];
        if (atom == m_utf8 || (atom == XCB_ATOM_STRING && text == XCB_NONE)) {
            text = atom;
            continue;
        }
        const QByteArray name = atomName(atom);
        if (!name.contains('/') || isDerivedType(name))
            continue;
        const QString type = QString::fromLatin1(name);
        if (seen.contains(type))
            continue;
        seen << type;
        m_pending.push_back(Transfer{type, atom, false, {}});
    }
    if (text != XCB_NONE) {
        const QString plain = QStringLiteral("text/plain");
        // The owner's own "text/plain" target, where it has one, gives the same text.
        std::erase_if(m_pending, [&](const Transfer& t) { return t.type == plain; });
        m_pending.push_front(Transfer{plain, text, false, {}});
    }
}

void X11ClipboardReader::next() {
    if (m_pending.empty()) {
        PasteboardContent content;
        if (!m_item.empty())
            content.push_back(std::move(m_item));
        return finish(std::move(content));
    }
    request(m_pending.front().target);
}

void X11ClipboardReader::finish(std::optional<PasteboardContent> content) {
    if (!m_read)
        return;
    const std::uint64_t read = m_read;
    Done done = std::move(m_done);
    stop();
    // Handed over from the event loop: the caller may start its next steps (and another read)
    // there, outside Qt's dispatch of the event that ended this one.
    m_delivering = read;
    QPointer<X11ClipboardReader> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, read, done = std::move(done), content = std::move(content)]() mutable {
            if (!self || self->m_delivering != read)
                return;
            self->m_delivering = 0;
            done(std::move(content));
        },
        Qt::QueuedConnection);
}

void X11ClipboardReader::stop() {
    if (!m_read)
        return;
    m_read = 0;
    m_done = nullptr;
    m_deadline.stop();
    m_pending.clear();
    m_item.clear();
    QCoreApplication::instance()->removeNativeEventFilter(this);
    if (m_window) {
        xcb_destroy_window(m_connection, m_window);
        xcb_flush(m_connection);
        m_window = 0;
    }
}

} // namespace tandrel::linuxdesktop
