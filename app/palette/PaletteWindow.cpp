// SPDX-License-Identifier: MIT
#include "app/palette/PaletteWindow.h"

#include "app/identity/AppIdentity.h"
#include "app/palette/PaletteIcons.h"

#include <QAction>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>

#include <cmath>

namespace tandrel {

namespace {

constexpr double kCornerRadius = 10;
// Room a push button keeps around its title: its bevel and margins.
constexpr double kButtonTextPadding = 16;

// Secondary text: the window text, faded, so it reads on light and dark themes alike.
QColor secondaryColour(const QPalette& palette) {
    QColor colour = palette.color(QPalette::WindowText);
    colour.setAlphaF(0.6f);
    return colour;
}

// To the nearest pixel.
QRect rounded(const Rect& r) {
    return QRect(static_cast<int>(std::lround(r.x())), static_cast<int>(std::lround(r.y())),
                 static_cast<int>(std::lround(r.width())),
                 static_cast<int>(std::lround(r.height())));
}

QPainterPath backgroundPath(const QSize& size) {
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), size), kCornerRadius, kCornerRadius);
    return path;
}

} // namespace

// ElidingLabel

ElidingLabel::ElidingLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

void ElidingLabel::setFullText(const QString& text) {
    m_fullText = text;
    refresh();
}

void ElidingLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    refresh();
}

void ElidingLabel::refresh() {
    setText(fontMetrics().elidedText(m_fullText, Qt::ElideRight, std::max(width(), 0)));
}

// PaletteWindow

PaletteWindow::PaletteWindow()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint) {
    // The chat keeps the keyboard focus: the window is never activated, nothing in it takes focus.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(AppIdentity::name());
    setAccessibleName(AppIdentity::name());
    const QColor secondary = secondaryColour(palette());

    m_strip = new QWidget(this);
    m_strip->setFocusPolicy(Qt::NoFocus);

    m_more = new QToolButton(this);
    m_more->setFocusPolicy(Qt::NoFocus);
    m_more->setFont(buttonFont(font()));
    m_more->setText(tr("More"));
    m_more->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_more->setPopupMode(QToolButton::InstantPopup);
    m_more->setToolTip(tr("More prompts"));
    m_more->setAccessibleName(tr("More prompts"));
    m_more->hide();

    m_edit = makeImageButton(PaletteIcons::edit(secondary), tr("Edit prompts"));
    connect(m_edit, &QToolButton::clicked, this, [this] {
        if (m_actions.editPressed)
            m_actions.editPressed();
    });
    m_dismiss = makeImageButton(PaletteIcons::dismiss(secondary), tr("Dismiss prompts"));
    connect(m_dismiss, &QToolButton::clicked, this, [this] {
        if (m_actions.dismissPressed)
            m_actions.dismissPressed();
    });

    m_status = new ElidingLabel(this);
    QFont statusFont = font();
    statusFont.setPointSizeF(10);
    m_status->setFont(statusFont);
    QPalette statusPalette = m_status->palette();
    statusPalette.setColor(QPalette::WindowText, secondary);
    m_status->setPalette(statusPalette);
    m_status->hide();

    resize(360, 44);
}

PaletteWindow::~PaletteWindow() = default;

QFont PaletteWindow::buttonFont(const QFont& base) {
    QFont font = base;
    font.setPointSizeF(12);
    font.setWeight(QFont::Medium);
    return font;
}

QToolButton* PaletteWindow::makeImageButton(const QIcon& icon, const QString& text) {
    auto* button = new QToolButton(this);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setIcon(icon);
    button->setIconSize(QSize(16, 16));
    button->setToolTip(text);
    button->setAccessibleName(text);
    return button;
}

void PaletteWindow::setActions(Actions actions) {
    m_actions = std::move(actions);
}

double PaletteWindow::intrinsicButtonWidth(const QString& title) {
    // Whole points, as a toolkit reports intrinsic sizes: keeps the buttons on pixel edges.
    return std::ceil(QFontMetricsF(buttonFont(font())).horizontalAdvance(title)) +
           kButtonTextPadding;
}

void PaletteWindow::setPromptButtons(const std::vector<PromptButtonContent>& buttons,
                                     const std::optional<StripHint>& hint) {
    for (QPushButton* button : m_buttons)
        delete button;
    m_buttons.clear();
    delete m_hint;
    m_hint = nullptr;

    const QFont font = buttonFont(this->font());
    const QFontMetricsF metrics(font);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const PromptButtonContent& content = buttons[i];
        auto* button = new QPushButton(m_strip);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFont(font);
        // Qt does not shorten a button's title: a long one ends in an ellipsis here.
        button->setText(
            metrics.elidedText(content.title, Qt::ElideRight,
                               std::max(content.frame.width() - kButtonTextPadding, 0.0)));
        button->setToolTip(content.toolTip);
        button->setAccessibleName(content.accessibleName);
        button->setAccessibleDescription(content.accessibleDescription);
        button->setGeometry(rounded(content.frame));
        const int index = static_cast<int>(i);
        connect(button, &QPushButton::clicked, this, [this, index] {
            if (m_actions.promptPressed)
                m_actions.promptPressed(index);
        });
        button->show();
        m_buttons.push_back(button);
    }
    if (hint) {
        m_hint = new QLabel(hint->text, m_strip);
        m_hint->setFont(font);
        QPalette hintPalette = m_hint->palette();
        hintPalette.setColor(QPalette::WindowText, secondaryColour(palette()));
        m_hint->setPalette(hintPalette);
        m_hint->setGeometry(rounded(hint->frame));
        m_hint->show();
    }
}

void PaletteWindow::setPromptButtonsEnabled(bool enabled) {
    for (QPushButton* button : m_buttons)
        button->setEnabled(enabled);
}

void PaletteWindow::applyLayout(const PaletteLayout& layout) {
    m_strip->setGeometry(rounded(layout.strip));
    for (std::size_t i = 0; i < m_buttons.size() && i < layout.buttonHidden.size(); ++i)
        m_buttons[i]->setVisible(!layout.buttonHidden[i]);
    m_more->setGeometry(rounded(layout.more));
    m_more->setEnabled(layout.moreEnabled);
    m_more->setVisible(!layout.moreHidden);
    m_edit->setGeometry(rounded(layout.edit));
    m_dismiss->setGeometry(rounded(layout.close));
    m_status->setGeometry(rounded(layout.status));
    m_status->setFullText(layout.statusText);
    m_status->setToolTip(layout.statusText);
    m_status->setAccessibleName(layout.statusText);
    m_status->setVisible(!layout.statusHidden);
}

void PaletteWindow::setOverflowMenu(const std::optional<OverflowMenu>& menu) {
    QMenu* old = m_menu;
    m_menu = nullptr;
    if (menu) {
        m_menu = new QMenu(menu->title, this);
        m_menu->setToolTipsVisible(true);
        for (const OverflowItem& item : menu->items) {
            QAction* action = m_menu->addAction(item.title);
            action->setToolTip(item.toolTip);
            action->setData(item.tag);
            action->setEnabled(item.enabled);
            const int tag = item.tag;
            connect(action, &QAction::triggered, this, [this, tag] {
                if (m_actions.overflowChosen)
                    m_actions.overflowChosen(tag);
            });
        }
        m_more->setText(menu->title);
    }
    m_more->setMenu(m_menu);
    // A menu may be replaced from within its own action; let Qt finish with it first.
    if (old)
        old->deleteLater();
}

void PaletteWindow::setOverflowItemsEnabled(bool enabled) {
    if (!m_menu)
        return;
    for (QAction* action : m_menu->actions())
        action->setEnabled(enabled);
}

void PaletteWindow::setWindowFrame(const Rect& frame) {
    const QRect geometry = rounded(frame);
    setGeometry(geometry);
    // A hidden window hears of its new size only when shown: clip it now.
    updateMask(geometry.size());
}

void PaletteWindow::updateMask(const QSize& size) {
    // The mask clips the corners even where no compositor blends a transparent window.
    setMask(QRegion(backgroundPath(size).toFillPolygon().toPolygon()));
}

void PaletteWindow::setWindowVisible(bool visible) {
    if (visible) {
        show();
        raise();
    } else {
        hide();
    }
}

void PaletteWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = backgroundPath(size());
    painter.fillPath(path, palette().color(QPalette::Window));
    // A hairline edge keeps the palette apart from a page of the same colour.
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlphaF(0.18f);
    painter.setPen(QPen(edge, 1));
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius,
                           kCornerRadius);
    painter.drawPath(outline);
}

void PaletteWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateMask(size());
}

std::unique_ptr<PaletteWindow> createPaletteWindow() {
    return std::make_unique<PaletteWindow>();
}

} // namespace tandrel
