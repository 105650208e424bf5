// SPDX-License-Identifier: MIT
#include "app/palette/PaletteController.h"

#include <QCoreApplication>

#include <algorithm>

namespace tandrel {

namespace {

// The strip's margins and the two image buttons take this much of the window's width: left margin
// 8, gap 8, edit 24, gap 8, dismiss 24, right margin 10.
constexpr double kFixedControlsWidth = 82;
// The overflow control and the gap before it.
constexpr double kOverflowWidth = 60;
constexpr double kButtonGap = 6;
constexpr double kButtonHeight = 28;
constexpr double kMinButtonWidth = 66;
constexpr double kMaxButtonWidth = 156;
constexpr double kButtonPadding = 12;
constexpr double kStatusHeight = 20;
// The status line's text and its distance from the window's bottom edge.
constexpr double kStatusLineHeight = 16;
constexpr double kStatusBottomMargin = 7;
constexpr double kBaseHeight = 44;
constexpr double kWidestRebuild = 680;
constexpr double kEmptyWidth = 204;
constexpr double kMinShowWidth = 180;
constexpr double kScreenMargin = 8;
constexpr double kComposerGap = 10;

double maxX(const Rect& r) {
    return r.x() + r.width();
}
double maxY(const Rect& r) {
    return r.y() + r.height();
}

} // namespace

PaletteController::PaletteController(Screens& screens, PaletteView& view)
    : m_screens(screens), m_view(view) {
    m_view.setActions({
        [this](int index) { pressPrompt(index); },
        [this](int tag) { sendOverflowPrompt(tag); },
        [this] { editPrompts(); },
        [this] { dismiss(); },
    });
    m_view.setWindowFrame(m_frame);
}

PaletteController::~PaletteController() {
    // The view outlives us: its presses must not reach a controller that is gone.
    m_view.setActions({});
}

void PaletteController::rebuild(const Configuration& configuration) {
    m_overflowIndices.clear();
    m_overflowMenu.reset();
    m_view.setOverflowMenu(std::nullopt);

    std::vector<Row> rows;
    std::vector<PromptButtonContent> contents;
    double x = 0;
    for (const Prompt& prompt : configuration.prompts) {
        const QString label = prompt.buttonLabel();
        const double intrinsic = m_view.intrinsicButtonWidth(label);
        const double width =
            std::min(std::max(intrinsic + kButtonPadding, kMinButtonWidth), kMaxButtonWidth);
        const Rect frame(x, 0, width, kButtonHeight);
        rows.push_back(Row{prompt, frame, false, !m_busy});
        contents.push_back(
            PromptButtonContent{label, prompt.text, label,
                                QCoreApplication::translate(
                                    "PaletteController", "Insert this prompt and press Return: ") +
                                    prompt.text,
                                frame});
        x += width + kButtonGap;
    }
    m_rows = std::move(rows);
    if (!m_rows.empty()) {
        m_hint.reset();
        m_preferredWidth = std::max(x - kButtonGap, 0.0) + kFixedControlsWidth;
    } else {
        m_hint = StripHint{QCoreApplication::translate("PaletteController", "Add a prompt →"),
                           Rect(4, 5, 118, 18)};
        m_preferredWidth = kEmptyWidth;
    }
    m_view.setPromptButtons(contents, m_hint);
    m_view.setPromptButtonsEnabled(!m_busy);
    m_message.reset();
    layout(std::min(kWidestRebuild, m_preferredWidth));
}

void PaletteController::status(const std::optional<QString>& message, bool busy) {
    m_message = busy ? std::nullopt : message;
    m_busy = busy;
    layout(m_frame.width());
    for (Row& row : m_rows)
        row.enabled = !busy;
    m_view.setPromptButtonsEnabled(!busy);
    if (m_overflowMenu) {
        for (OverflowItem& item : m_overflowMenu->items)
            item.enabled = !busy;
        m_view.setOverflowItemsEnabled(!busy);
    }
}

void PaletteController::layout(double width) {
    const double lift = m_message ? kStatusHeight : 0;
    const double height = kBaseHeight + lift;
    if (m_frame.width() != width || m_frame.height() != height)
        setContentSize(Size{width, height});

    double available = std::max(width - kFixedControlsWidth, 0.0);
    bool moreShown = false;
    if (m_preferredWidth > width && !m_rows.empty()) {
        available = std::max(available - kOverflowWidth, 0.0);
        moreShown = true;
    }

    PaletteLayout next;
    next.content = Size{width, height};
    next.strip = Rect(8, 8, available, kButtonHeight);
    std::vector<int> hidden;
    const Row* lastVisible = nullptr;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        Row& row = m_rows[i];
        // A button ending exactly at the strip's edge still fits.
        row.hidden = maxX(row.frame) > available;
        next.buttonHidden.push_back(row.hidden);
        if (row.hidden)
            hidden.push_back(static_cast<int>(i));
        else
            lastVisible = &row;
    }
    next.moreHidden = !moreShown;
    next.moreEnabled = !m_busy;
    next.more =
        Rect(lastVisible ? 8 + maxX(lastVisible->frame) + kButtonGap : 8, 8, 54, kButtonHeight);
    // Only a change of the hidden buttons replaces the menu, so one the user has open survives
    // while the palette keeps its width.
    if (hidden != m_overflowIndices) {
        m_overflowIndices = std::move(hidden);
        m_overflowMenu = makeOverflowMenu();
        m_view.setOverflowMenu(m_overflowMenu);
    }
    next.edit = Rect(width - 66, 10, 24, 24);
    next.close = Rect(width - 34, 10, 24, 24);
    next.statusHidden = !m_message;
    next.statusText = m_message.value_or(QString());
    // Below the strip, in the room the message added.
    next.status =
        Rect(12, height - kStatusBottomMargin - kStatusLineHeight, width - 24, kStatusLineHeight);
    m_layout = std::move(next);
    m_view.applyLayout(m_layout);
}

OverflowMenu PaletteController::makeOverflowMenu() const {
    OverflowMenu menu{QCoreApplication::translate("PaletteController", "More"), {}};
    for (int index : m_overflowIndices) {
        const Prompt& prompt = m_rows[static_cast<std::size_t>(index)].prompt;
        menu.items.push_back(OverflowItem{prompt.buttonLabel(), prompt.text, index, !m_busy});
    }
    return menu;
}

void PaletteController::show(const Rect& composer) {
    const Rect& r = composer;
    const std::vector<ScreenGeometry> screens = m_screens.screens();
    std::optional<ScreenGeometry> chosen;
    if (screens.empty()) {
        chosen = m_screens.mainScreen();
        if (!chosen)
            return;
    } else {
        // The screen that shows most of the composer; ties and no overlap keep the earlier one.
        chosen = screens.front();
        double best = area(intersection(chosen->frame, r));
        for (std::size_t i = 1; i < screens.size(); ++i) {
            const double overlap = area(intersection(screens[i].frame, r));
            if (overlap > best) {
                best = overlap;
                chosen = screens[i];
            }
        }
    }
    const Rect v = insetBy(chosen->visibleFrame, kScreenMargin, kScreenMargin);

    // A usable area narrower than nothing still gives a window of no width, not a negative one.
    const double width = std::max(
        0.0, std::min(v.width(), std::min(std::max(r.width(), kMinShowWidth), m_preferredWidth)));
    layout(width);
    const double fw = m_frame.width();
    const double fh = m_frame.height();

    // Above the composer; below it when the screen has no room above.
    double y = r.y() - kComposerGap - fh;
    if (y < v.y())
        y = maxY(r) + kComposerGap;
    double x = r.x() + r.width() / 2 - 0.5 * fw;
    x = std::min(std::max(x, v.x()), maxX(v) - fw);
    // Taller than the usable area: the top edge stays on screen.
    y = std::max(std::min(y, maxY(v) - fh), v.y());

    if (x != m_frame.x() || y != m_frame.y())
        setFrameOrigin(Point{x, y});
    if (!m_visible)
        orderFrontRegardless();
}

void PaletteController::setContentSize(const Size& size) {
    // The bottom edge stays where it is: a palette above its composer grows away from it.
    m_frame.origin.y += m_frame.height() - size.height;
    m_frame.size = size;
    m_view.setWindowFrame(m_frame);
}

void PaletteController::setFrameOrigin(const Point& origin) {
    m_frame.origin = origin;
    m_view.setWindowFrame(m_frame);
}

void PaletteController::center() {
    std::optional<ScreenGeometry> screen = m_screens.mainScreen();
    if (!screen) {
        const std::vector<ScreenGeometry> screens = m_screens.screens();
        if (screens.empty())
            return;
        screen = screens.front();
    }
    const Rect& v = screen->visibleFrame;
    // Horizontally centred; vertically a third of the free space above, so a little high, where
    // the eye expects a centred panel.
    setFrameOrigin(Point{v.x() + (v.width() - m_frame.width()) / 2,
                         v.y() + (v.height() - m_frame.height()) / 3});
}

void PaletteController::orderFrontRegardless() {
    m_visible = true;
    m_view.setWindowVisible(true);
}

void PaletteController::orderOut() {
    m_visible = false;
    m_view.setWindowVisible(false);
}

void PaletteController::pressPrompt(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_rows.size())
        return;
    // A copy: the callback may rebuild the palette and so replace the row.
    const Prompt prompt = m_rows[static_cast<std::size_t>(index)].prompt;
    emit promptChosen(prompt);
}

void PaletteController::sendOverflowPrompt(int tag) {
    if (m_busy)
        return;
    // A negative tag taken as unsigned is out of range too.
    if (static_cast<std::size_t>(static_cast<unsigned>(tag)) >= m_rows.size())
        return;
    pressPrompt(tag);
}

void PaletteController::editPrompts() {
    emit editChosen();
}

void PaletteController::dismiss() {
    orderOut();
    emit dismissed();
}

} // namespace tandrel
