#include "platform/linux/QtPasteboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>

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

const QString& QtPasteboard::secretHintType() {
    static const QString type = QStringLiteral("x-kde-passwordManagerHint");
    return type;
}

const QByteArray& QtPasteboard::secretHintValue() {
    static const QByteArray value = QByteArrayLiteral("secret");
    return value;
}

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

const QMimeData* QtPasteboard::contents() {
    QClipboard* board = clipboard();
    return board ? board->mimeData(QClipboard::Clipboard) : nullptr;
}

bool QtPasteboard::stillOurs() {
    QClipboard* board = clipboard();
    return board && m_own && board->ownsClipboard() &&
           board->mimeData(QClipboard::Clipboard) == m_own.data();
}

void QtPasteboard::noteChange() {
    if (m_writing)
        return; // counted by the write itself
    if (m_ownsContent && stillOurs())
        return; // the window system confirming our own write
    m_ownsContent = false;
    ++m_count;
}

std::vector<QStringList> QtPasteboard::itemTypes() {
    const QMimeData* content = contents();
    if (!content)
        return {};
    QStringList types;
    for (const QString& type : content->formats()) {
        if (isContentType(type) && !types.contains(type))
            types << type;
    }
    if (types.isEmpty())
        return {};
    return {types};
}

std::optional<QByteArray> QtPasteboard::data(int item, const QString& type) {
    const QMimeData* content = contents();
    if (item != 0 || !content || !isContentType(type))
        return std::nullopt;
    // An owner that does not answer (or answers nothing) delivers no data for the type.
    QByteArray bytes = content->data(type);
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

std::int64_t QtPasteboard::changeCount() {
    // Someone else may have taken the selection before its notification reached us.
    if (m_ownsContent && !stillOurs()) {
        m_ownsContent = false;
        ++m_count;
    }
    return m_count;
}

void QtPasteboard::clearContents() {
    QClipboard* board = clipboard();
    if (!board)
        return;
    m_writing = true;
    board->clear(QClipboard::Clipboard);
    m_writing = false;
    m_ownsContent = false;
    m_own.clear();
    ++m_count;
}

bool QtPasteboard::write(QMimeData* content) {
    QClipboard* board = clipboard();
    if (!board) {
        delete content;
        return false;
    }
    if (!content->hasFormat(secretHintType()))
        content->setData(secretHintType(), secretHintValue());
    m_writing = true;
    board->setMimeData(content, QClipboard::Clipboard); // the clipboard owns it now
    m_writing = false;
    ++m_count;
    m_own = content;
    m_ownsContent = true;
    // The window system can refuse the selection; then the content is not on the clipboard.
    return stillOurs();
}

bool QtPasteboard::writeString(const QString& text) {
    auto* content = new QMimeData;
    content->setText(text);
    return write(content);
}

bool QtPasteboard::writeItems(const std::vector<PasteboardItem>& items) {
    // The X11 clipboard holds one item: the types of any further item join the first where they
    // do not repeat one of its types.
    auto* content = new QMimeData;
    for (const PasteboardItem& item : items) {
        for (const auto& [type, bytes] : item) {
            if (!content->hasFormat(type))
                content->setData(type, bytes);
        }
    }
    return write(content);
}

} // namespace tandrel::linuxdesktop
