// SPDX-License-Identifier: MIT
#include "app/focus/AX.h"
#include "platform/AXNames.h"

#include <QHash>

#include <cmath>

namespace tandrel {

namespace {

// A snapshot never asks for more characters than this: a huge input is read through "AXValue"
// alone rather than blocking on a giant range request.
constexpr double kMaxSnapshotCharacters = 1000000;
// How many elements (the start and its ancestors) the page-address walk examines.
constexpr int kMaxWebURLElements = 32;

std::optional<QString> textOf(const ax::Value& value) {
    if (const QString* s = value.get<QString>())
        return *s;
    if (const ax::AttributedString* a = value.get<ax::AttributedString>())
        return a->string;
    return std::nullopt;
}

// The entries of an array reading; none for an error or a value of another kind.
const ax::Array& arrayOf(const ax::Reading& reading) {
    static const ax::Array none;
    const ax::Array* array = reading.ok() ? reading.value.get<ax::Array>() : nullptr;
    return array ? *array : none;
}

} // namespace

AX::AX(ax::Accessibility& accessibility) : m_accessibility(accessibility) {}

std::size_t AX::KeyHash::operator()(const Key& key) const {
    return key.element.hash() ^ (qHash(key.attribute) * 0x9e3779b97f4a7c15ULL);
}

AX::Evaluation::Evaluation(const AX& ax) : m_ax(ax) {
    if (m_ax.m_evaluationDepth++ == 0)
        m_ax.m_accessibility.beginEvaluation();
}

AX::Evaluation::~Evaluation() {
    if (--m_ax.m_evaluationDepth == 0) {
        m_ax.m_memo.clear();
        m_ax.m_accessibility.endEvaluation();
    }
}

const ax::Reading& AX::noted(const ax::Reading& reading) const {
    if (reading.error == ax::kCannotComplete)
        ++m_unansweredReads;
    return reading;
}

ax::Reading AX::read(const ax::Element& e, const QString& attribute) const {
    if (e.isNull() || m_evaluationDepth == 0)
        return readFresh(e, attribute);
    Key key{e, attribute};
    // A remembered timeout counts again: the answer that uses it rests on it just the same.
    if (const auto it = m_memo.find(key); it != m_memo.end())
        return noted(it->second);
    ax::Reading reading = m_accessibility.copyAttributeValue(e, attribute);
    m_memo.emplace(std::move(key), reading);
    return noted(reading);
}

ax::AXError AX::set(const ax::Element& e, const QString& attribute, const ax::Value& value) const {
    m_memo.clear();
    if (e.isNull())
        return ax::kIllegalArgument;
    return m_accessibility.setAttributeValue(e, attribute, value);
}

void AX::forget(const ax::Element& e, const QString& attribute) const {
    m_memo.erase(Key{e, attribute});
}

std::optional<ax::Element> AX::element(const ax::Element& e, const QString& attribute) const {
    const ax::Reading reading = read(e, attribute);
    if (!reading.ok())
        return std::nullopt;
    const ax::Element* element = reading.value.get<ax::Element>();
    if (!element || element->isNull())
        return std::nullopt;
    return *element;
}

QString AX::string(const ax::Element& e, const QString& attribute) const {
    const ax::Reading reading = read(e, attribute);
    if (!reading.ok())
        return {};
    const QString* s = reading.value.get<QString>();
    return s ? *s : QString();
}

std::optional<Rect> AX::frame(const ax::Element& e) const {
    const ax::Reading position = read(e, ax::attr::position);
    if (!position.ok())
        return std::nullopt;
    const ax::Reading size = read(e, ax::attr::size);
    if (!size.ok())
        return std::nullopt;
    const Point* origin = position.value.get<Point>();
    const Size* extent = size.value.get<Size>();
    if (!origin || !extent)
        return std::nullopt;
    // Written so that not-a-number sizes fail too.
    if (!(extent->width > 0) || !(extent->height > 0))
        return std::nullopt;
    return Rect(origin->x, origin->y, extent->width, extent->height);
}

ax::Reading AX::readFresh(const ax::Element& e, const QString& attribute) const {
    if (e.isNull())
        return {ax::kIllegalArgument, {}};
    return noted(m_accessibility.copyAttributeValue(e, attribute));
}

std::optional<TextRange> AX::selection(const ax::Element& e) const {
    const ax::Reading reading = readFresh(e, ax::attr::selectedTextRange);
    if (!reading.ok())
        return std::nullopt;
    const TextRange* range = reading.value.get<TextRange>();
    if (!range)
        return std::nullopt;
    return *range;
}

std::optional<bool> AX::boolean(const ax::Element& e, const QString& attribute) const {
    const ax::Reading reading = read(e, attribute);
    if (!reading.ok())
        return std::nullopt;
    const ax::Boolean* b = reading.value.get<ax::Boolean>();
    if (!b)
        return std::nullopt;
    return b->value;
}

QStringList AX::stringList(const ax::Element& e, const QString& attribute) const {
    const ax::Reading reading = read(e, attribute);
    QStringList result;
    for (const ax::Value& entry : arrayOf(reading)) {
        if (const QString* s = entry.get<QString>())
            result.append(*s);
    }
    return result;
}

std::vector<ax::Element> AX::elementList(const ax::Element& e, const QString& attribute) const {
    const ax::Reading reading = read(e, attribute);
    std::vector<ax::Element> result;
    for (const ax::Value& entry : arrayOf(reading)) {
        if (const ax::Element* element = entry.get<ax::Element>(); element && !element->isNull())
            result.push_back(*element);
    }
    return result;
}

ComposerTextSnapshot AX::textSnapshot(const ax::Element& e) const {
    using Source = ComposerTextSnapshot::Source;
    ComposerTextSnapshot::Readings readings;
    if (e.isNull())
        return ComposerTextSnapshot(readings);
    // One evaluation for the platform: the text behind the count, the ranges and the value is
    // read once.
    const Evaluation snapshot(*this);

    // Text changes between snapshots, so these reads never go through the memo.
    const ax::Reading count = readFresh(e, ax::attr::numberOfCharacters);
    const ax::Number* number = count.ok() ? count.value.get<ax::Number>() : nullptr;
    // The count's integer part; not-a-number fails both comparisons.
    const double characters = number ? std::trunc(number->value) : -1;
    if (characters >= 0 && characters <= kMaxSnapshotCharacters) {
        const ax::Value wholeText(TextRange{0, static_cast<std::int64_t>(characters)});
        const std::pair<Source, QLatin1String> rangeReadings[] = {
            {Source::stringForRange, ax::attr::stringForRange},
            {Source::attributedStringForRange, ax::attr::attributedStringForRange},
        };
        for (const auto& [source, attribute] : rangeReadings) {
            const ax::Reading reading =
                noted(m_accessibility.copyParameterizedAttributeValue(e, attribute, wholeText));
            if (reading.error != ax::kSuccess)
                continue;
            if (const auto text = textOf(reading.value))
                readings[source] = *text;
            else
                readings.erase(source);
        }
    }

    const ax::Reading value = readFresh(e, ax::attr::value);
    const auto text = value.ok() ? textOf(value.value) : std::nullopt;
    if (text)
        readings[Source::value] = *text;
    else
        readings.erase(Source::value);
    return ComposerTextSnapshot(std::move(readings));
}

std::optional<QUrl> AX::webURL(const ax::Element& e) const {
    std::optional<ax::Element> current = e;
    for (int examined = 0; current && examined < kMaxWebURLElements; ++examined) {
        const QString role = string(*current, ax::attr::role);
        if (role == QLatin1String("AXWebArea")) {
            const ax::Reading reading = read(*current, ax::attr::url);
            std::optional<QUrl> url;
            if (reading.ok()) {
                if (const QUrl* u = reading.value.get<QUrl>())
                    url = *u;
                else if (const QString* s = reading.value.get<QString>())
                    url = QUrl(*s, QUrl::StrictMode);
            }
            if (url && url->isValid()) {
                const QString scheme = url->scheme().toLower();
                if ((scheme == QLatin1String("https") || scheme == QLatin1String("http")) &&
                    !url->host().isEmpty())
                    return url;
            }
            // An address that is not a web page's leaves room for an enclosing web area.
        }
        if (role == QLatin1String("AXWindow") || role == QLatin1String("AXApplication"))
            return std::nullopt;
        current = element(*current, ax::attr::parent);
    }
    return std::nullopt;
}

} // namespace tandrel
