// SPDX-License-Identifier: MIT
#include "platform/linux/ClipboardContent.h"

#include <QMetaObject>
#include <QObject>

#include <algorithm>

namespace tandrel::linuxdesktop {

const QString& secretHintType() {
    static const QString type = QStringLiteral("x-kde-passwordManagerHint");
    return type;
}

const QByteArray& secretHintValue() {
    static const QByteArray value = QByteArrayLiteral("secret");
    return value;
}

PasteboardItem asOneItem(const PasteboardContent& content) {
    PasteboardItem merged;
    const auto has = [&merged](const QString& type) {
        return std::any_of(merged.begin(), merged.end(),
                           [&type](const auto& entry) { return entry.first == type; });
    };
    for (const PasteboardItem& item : content) {
        for (const auto& entry : item) {
            if (!has(entry.first))
                merged.push_back(entry);
        }
    }
    return merged;
}

namespace {

class LaterAnswer final : public Handle {
public:
    LaterAnswer(PasteboardContent content,
                std::function<void(std::optional<PasteboardContent>)> done) {
        QMetaObject::invokeMethod(
            &m_context, [content = std::move(content), done = std::move(done)] { done(content); },
            Qt::QueuedConnection);
    }

private:
    QObject m_context; // destroyed with the handle, taking the queued call with it
};

} // namespace

std::unique_ptr<Handle> answerLater(PasteboardContent content,
                                    std::function<void(std::optional<PasteboardContent>)> done) {
    return std::make_unique<LaterAnswer>(std::move(content), std::move(done));
}

} // namespace tandrel::linuxdesktop
