// SPDX-License-Identifier: MIT
#include "platform/linux/QtPasteboard.h"

#include "platform/linux/ClipboardContent.h"
#include "platform/linux/X11ClipboardReader.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>
#include <QtGui/qguiapplication_platform.h>

namespace tandrel::linuxdesktop {

namespace {

// Targets of the selection protocol itself, and the image Qt derives from real image types:
// none of them is content of the owner's.
bool isContentType(const QString& type) {
    static const QStringList protocol{QStringLiteral("TIMESTAMP"), QStringLiteral("TARGETS"),
                                      QStringLiteral("SAVE_TARGETS"), QStringLiteral("MULTIPLE"),
                                      QStringLiteral("application/x-qt-image")};
    return !type.isEmpty() && !protocol.contains(type);
}

} // namespace

QtPasteboard::QtPasteboard() = default;

QtPasteboard::~QtPasteboard() {
    QObject::disconnect(m_changed);
}

QClipboard* QtPasteboard::clipboard() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    QClipboard* board = QGuiApplication::clipboard();
    if (board && !m_changed) {
        m_changed = QObject::connect(board, &QClipboard::changed, [this](QClipboard::Mode mode) {
            if (mode == QClipboard::Clipboard)
                noteChange();
        });
    }
    return board;
}

bool QtPasteboard::stillOurs() {
    QClipboard* board = clipboard();
    return board && m_own && board->ownsClipboard() &&
           board->mimeData(QClipboard::Clipboard) == m_own.data();
}

void QtPasteboard::noteChange() {
    if (m_writing)
        return; // our own write, reported while it is made
    if (m_ownsContent && stillOurs())
        return; // the window system confirming our own write
    m_ownsContent = false;
    m_observers.notify();
}

std::unique_ptr<Handle> QtPasteboard::observeChanges(std::function<void()> handler) {
    clipboard(); // listens from now on
    return m_observers.add(std::move(handler));
}

namespace {

class X11Read final : public Handle {
public:
    X11Read(X11ClipboardReader& reader, std::uint64_t read) : m_reader(&reader), m_read(read) {}
    ~X11Read() override {
        if (m_reader)
            m_reader->cancel(m_read);
    }

private:
    QPointer<X11ClipboardReader> m_reader;
    std::uint64_t m_read;
};

} // namespace

PasteboardContent QtPasteboard::ownContent() {
    QClipboard* board = clipboard();
    const QMimeData* content = board ? board->mimeData(QClipboard::Clipboard) : nullptr;
    if (!content)
        return {};
    PasteboardItem item;
    for (const QString& type : content->formats()) {
        if (!isContentType(type))
            continue;
        QByteArray bytes = content->data(type);
        if (!bytes.isEmpty())
            item.emplace_back(type, std::move(bytes));
    }
    if (item.empty())
        return {};
    return {item};
}

std::optional<PasteboardContent> QtPasteboard::heldContent() {
    QClipboard* board = clipboard();
    if (!board || !board->ownsClipboard())
        return std::nullopt;
    return ownContent();
}

std::unique_ptr<Handle>
QtPasteboard::readContent(double timeout,
                          std::function<void(std::optional<PasteboardContent>)> done) {
    QClipboard* board = clipboard();
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    // Without another program behind it (our own content, or a clipboard that lives in this
    // process off X11) nothing can keep us waiting.
    if (!board || board->ownsClipboard() || !x11 || !x11->connection())
        return answerLater(ownContent(), std::move(done));
    if (!m_reader)
        m_reader = std::make_unique<X11ClipboardReader>(x11->connection());
    const std::uint64_t read = m_reader->start(timeout, std::move(done));
    return std::make_unique<X11Read>(*m_reader, read);
}

bool QtPasteboard::write(const PasteboardContent& items) {
    QClipboard* board = clipboard();
    if (!board)
        return false;
    if (items.empty()) {
        m_writing = true;
        board->clear(QClipboard::Clipboard);
        m_writing = false;
        m_ownsContent = false;
        m_own.clear();
        return true;
    }
    auto* content = new QMimeData;
    for (const auto& [type, bytes] : asOneItem(items))
        content->setData(type, bytes);
    if (!content->hasFormat(secretHintType()))
        content->setData(secretHintType(), secretHintValue());
    m_writing = true;
    board->setMimeData(content, QClipboard::Clipboard); // the clipboard owns it now
    m_writing = false;
    m_own = content;
    m_ownsContent = true;
    // The window system can refuse the selection; then the content is not on the clipboard.
    return stillOurs();
}

} // namespace tandrel::linuxdesktop
