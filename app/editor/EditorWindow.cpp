// SPDX-License-Identifier: MIT
#include "app/editor/EditorWindow.h"

#include "app/editor/ArrowIcon.h"
#include "app/editor/EditorController.h"
#include "app/editor/PromptList.h"
#include "app/editor/PromptListModel.h"
#include "app/identity/AppIdentity.h"

#include <QEvent>
#include <QFontInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

#include <functional>

namespace tandrel {

namespace {

// The design, in pixels at the desktop's usual font: the window, the list and the text column,
// the margins and the gaps between the rows of controls.
constexpr int kWidth = 760;
constexpr int kHeight = 540;
constexpr int kListWidth = 230;
constexpr int kFieldsWidth = 458;
constexpr int kMargin = 24;
constexpr int kTopMargin = 21;
constexpr int kRowHeight = 38;
constexpr int kButtonHeight = 30;
constexpr int kFieldHeight = 26;
constexpr int kPermissionHeight = 49;
constexpr int kArrowButtonWidth = 28;
// The design's text sizes are meant next to a 13-point body text.
constexpr double kDesignBasePoints = 13;

QFont scaledFont(const QFont& base, double designPoints, QFont::Weight weight = QFont::Normal) {
    QFont font = base;
    // A platform without a font database answers no point size; the base size then stays.
    const double basePoints = QFontInfo(base).pointSizeF();
    if (basePoints > 0)
        font.setPointSizeF(basePoints * designPoints / kDesignBasePoints);
    font.setWeight(weight);
    return font;
}

void useSecondaryColour(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
}

// At least the design's size, and never less than the control needs for its text.
void atLeast(QWidget* widget, int width, int height) {
    widget->setMinimumSize(0, 0);
    const QSize needed = widget->sizeHint();
    if (width > 0)
        widget->setMinimumWidth(std::max(width, needed.width()));
    if (height > 0)
        widget->setFixedHeight(std::max(height, needed.height()));
}

} // namespace

EditorWindow::EditorWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint) {
    setWindowTitle(tr("%1 — Edit Prompts").arg(AppIdentity::name()));
    build();
    applyFonts();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - rect().center());
    }
}

EditorWindow::~EditorWindow() = default;

QPushButton* EditorWindow::actionButton(const QString& text, void (EditorController::*action)()) {
    auto* button = new QPushButton(text, this);
    connect(button, &QPushButton::clicked, this, [this, act = std::mem_fn(action)] {
        if (m_controller)
            act(*m_controller);
    });
    return button;
}

void EditorWindow::build() {
    m_heading = new QLabel(tr("Your prompts, one click away."), this);

    m_permission = new QLabel(this);
    m_permission->setObjectName(QStringLiteral("permission"));
    m_permission->setWordWrap(true);
    m_permission->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Two lines' room whatever it says, more when it wraps further.
    m_permission->setMinimumHeight(kPermissionHeight);
    useSecondaryColour(m_permission);
    m_settings = actionButton(tr("Accessibility Settings…"), &EditorController::openAccessibility);
    m_settings->setObjectName(QStringLiteral("accessibilitySettingsButton"));

    m_model = new PromptListModel(this);
    m_list = new PromptList(m_model, this);
    m_list->setObjectName(QStringLiteral("promptList"));
    m_list->setAccessibleName(tr("Prompts"));
    m_list->setToolTip(tr("Drag prompts to change their button order."));
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_controller)
            m_controller->selectionDidChange(selectedRow());
    });

    m_add = actionButton(tr("+ Add"), &EditorController::addPrompt);
    m_add->setObjectName(QStringLiteral("addButton"));
    m_add->setAccessibleName(tr("Add prompt"));
    m_remove = actionButton(tr("Remove"), &EditorController::removePrompt);
    m_remove->setObjectName(QStringLiteral("removeButton"));
    const QColor arrowColour = palette().color(QPalette::ButtonText);
    m_moveUp = actionButton(QString(), &EditorController::movePromptUp);
    m_moveUp->setObjectName(QStringLiteral("moveUpButton"));
    m_moveUp->setIcon(arrowIcon(ArrowDirection::Up, arrowColour));
    m_moveDown = actionButton(QString(), &EditorController::movePromptDown);
    m_moveDown->setObjectName(QStringLiteral("moveDownButton"));
    m_moveDown->setIcon(arrowIcon(ArrowDirection::Down, arrowColour));
    for (auto [button, text] : {std::pair{m_moveUp, tr("Move prompt up")},
                                std::pair{m_moveDown, tr("Move prompt down")}}) {
        button->setToolTip(text);
        button->setAccessibleName(text);
    }

    m_labelHeading = new QLabel(tr("Button label (1–2 words)"), this);
    m_label = new QLineEdit(this);
    m_label->setObjectName(QStringLiteral("labelField"));
    m_label->setPlaceholderText(tr("A short name for your prompt"));
    m_label->setAccessibleName(tr("Button label"));
    m_labelHeading->setBuddy(m_label);

    m_textHeading = new QLabel(tr("Prompt text"), this);
    // Plain text only: pasted rich text arrives as its characters, quotes and dashes as typed.
    m_body = new QPlainTextEdit(this);
    m_body->setObjectName(QStringLiteral("promptText"));
    m_body->setAccessibleName(tr("Prompt text"));
    m_body->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_body->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_body->document()->setDocumentMargin(8);
    m_textHeading->setBuddy(m_body);

    m_footer = new QLabel(tr("Buttons paste at the cursor and press Return. "
                             "Prompts are saved only on this computer."),
                          this);
    m_footer->setWordWrap(true);
    useSecondaryColour(m_footer);

    m_preview = actionButton(tr("Preview buttons"), &EditorController::previewButtons);
    m_preview->setObjectName(QStringLiteral("previewButton"));
    m_cancel = actionButton(tr("Cancel"), &EditorController::cancelEdit);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setToolTip(tr("Cancel (Esc)"));
    m_save = actionButton(tr("Save"), &EditorController::savePrompts);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setToolTip(tr("Save (Ctrl+S)"));

    // Heading; guidance beside the settings button; the list with its buttons beside the
    // fields; the footer; Preview on the left and Cancel, Save on the right.
    auto* guidance = new QHBoxLayout;
    guidance->setSpacing(16);
    guidance->addWidget(m_permission, 1);
    guidance->addWidget(m_settings, 0, Qt::AlignVCenter);

    auto* listButtons = new QHBoxLayout;
    listButtons->setSpacing(12);
    listButtons->addWidget(m_add, 1);
    listButtons->addWidget(m_remove, 1);
    listButtons->addWidget(m_moveUp);
    listButtons->addWidget(m_moveDown);
    auto* listColumn = new QVBoxLayout;
    listColumn->setSpacing(12);
    listColumn->addWidget(m_list, 1);
    listColumn->addLayout(listButtons);

    auto* fieldsColumn = new QVBoxLayout;
    fieldsColumn->setSpacing(0);
    fieldsColumn->addWidget(m_labelHeading);
    fieldsColumn->addSpacing(7);
    fieldsColumn->addWidget(m_label);
    fieldsColumn->addSpacing(16);
    fieldsColumn->addWidget(m_textHeading);
    fieldsColumn->addSpacing(8);
    fieldsColumn->addWidget(m_body, 1);

    // The columns keep the design's widths unless their contents need more.
    auto* columns = new QGridLayout;
    columns->setHorizontalSpacing(kMargin);
    columns->addLayout(listColumn, 0, 0);
    columns->addLayout(fieldsColumn, 0, 1);
    columns->setColumnMinimumWidth(0, kListWidth);
    columns->setColumnMinimumWidth(1, kFieldsWidth);
    columns->setColumnStretch(1, 1);

    auto* windowButtons = new QHBoxLayout;
    windowButtons->setSpacing(12);
    windowButtons->addWidget(m_preview);
    windowButtons->addStretch(1);
    windowButtons->addWidget(m_cancel);
    windowButtons->addWidget(m_save);

    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(kMargin, kTopMargin, kMargin, kMargin);
    window->setSpacing(0);
    // The window's size is set from the contents' needs below, never below the design's.
    window->setSizeConstraint(QLayout::SetNoConstraint);
    window->addWidget(m_heading);
    window->addSpacing(13);
    window->addLayout(guidance);
    window->addSpacing(19);
    window->addLayout(columns, 1);
    window->addSpacing(13);
    window->addWidget(m_footer);
    window->addSpacing(16);
    window->addLayout(windowButtons);

    // Keyboard order: the settings button, the list and its buttons, the fields, then the
    // window's own buttons.
    const QList<QWidget*> order = {m_settings, m_list, m_add,     m_remove, m_moveUp, m_moveDown,
                                   m_label,    m_body, m_preview, m_cancel, m_save};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    // Shortcuts act at once (a button's own shortcut clicks it only after an animation), and not
    // while the window-modal alert is up.
    auto* saveShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    connect(saveShortcut, &QShortcut::activated, this, [this] {
        if (m_controller)
            m_controller->savePrompts();
    });
    // The tray menu's shortcuts, which the user may try here first.
    auto* quitShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quitShortcut, &QShortcut::activated, this, [this] {
        if (m_controller)
            m_controller->quitApplication();
    });
    auto* editShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), this);
    connect(editShortcut, &QShortcut::activated, this, [this] {
        if (m_controller)
            m_controller->editPrompts();
    });
    // A drag in progress takes Escape itself and only ends the drag.
    auto* cancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(cancelShortcut, &QShortcut::activated, this, [this] {
        if (m_controller)
            m_controller->cancelEdit();
    });
}

void EditorWindow::applyFonts() {
    const QFont base = font();
    m_heading->setFont(scaledFont(base, 22, QFont::DemiBold));
    m_permission->setFont(scaledFont(base, 12));
    m_labelHeading->setFont(scaledFont(base, 12, QFont::DemiBold));
    m_textHeading->setFont(scaledFont(base, 12, QFont::DemiBold));
    m_footer->setFont(scaledFont(base, 11));
    m_list->setFont(scaledFont(base, 13));
    m_body->setFont(scaledFont(base, 14));
    // A row keeps its design height, or a little room around a taller title.
    m_model->setRowHeight(std::max(kRowHeight, QFontMetrics(m_list->font()).height() + 16));

    atLeast(m_settings, 168, kButtonHeight);
    atLeast(m_preview, 0, kButtonHeight);
    // "+ Add" and Remove share the list's width: each as narrow as its text allows, not as
    // wide as the style would like a push button to be.
    for (QPushButton* button : {m_add, m_remove}) {
        atLeast(button, 0, kButtonHeight);
        const int frame = style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                          2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) + frame);
    }
    atLeast(m_moveUp, kArrowButtonWidth, kButtonHeight);
    atLeast(m_moveDown, kArrowButtonWidth, kButtonHeight);
    atLeast(m_cancel, 88, kButtonHeight);
    atLeast(m_save, 118, kButtonHeight);
    atLeast(m_label, 0, kFieldHeight);
    // Nested layouts keep what they measured until the whole layout is redone.
    layout()->invalidate();
    layout()->activate();
    fitToContents();
}

void EditorWindow::fitToContents() {
    const QLayout* contents = layout();
    const QSize least = contents->totalMinimumSize();
    const int width = std::max(kWidth, least.width());
    int height = std::max(kHeight, least.height());
    // Wrapped texts need more lines in a narrower window; this width is the one they get.
    if (contents->hasHeightForWidth())
        height = std::max(height, contents->totalMinimumHeightForWidth(width));
    setFixedSize(width, height);
}

bool EditorWindow::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // A control's needs changed (its font, its text): the layout asks to be redone.
    if (event->type() == QEvent::LayoutRequest)
        fitToContents();
    return handled;
}

void EditorWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        applyFonts();
}

void EditorWindow::attach(EditorController* controller) {
    m_controller = controller;
    m_model->setController(controller);
}

int EditorWindow::selectedRow() const {
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void EditorWindow::reloadRows(const QStringList& titles) {
    m_model->setTitles(titles);
}

void EditorWindow::reloadRow(int row, const QString& title) {
    m_model->setTitle(row, title);
}

void EditorWindow::selectRow(int row) {
    if (row < 0 || row >= m_model->rowCount()) {
        m_list->selectionModel()->clearSelection();
        return;
    }
    m_list->selectionModel()->setCurrentIndex(m_model->index(row),
                                              QItemSelectionModel::ClearAndSelect);
}

void EditorWindow::scrollToRow(int row) {
    if (row >= 0 && row < m_model->rowCount())
        m_list->scrollTo(m_model->index(row));
}

void EditorWindow::setFields(const QString& label, const QString& body) {
    m_label->setText(label);
    m_body->setPlainText(body);
}

QString EditorWindow::labelText() const {
    return m_label->text();
}

QString EditorWindow::bodyText() const {
    return m_body->toPlainText();
}

void EditorWindow::setControlStates(const EditorControlStates& states) {
    m_label->setEnabled(states.fieldsEnabled);
    m_body->setEnabled(states.fieldsEnabled);
    m_remove->setEnabled(states.removeEnabled);
    m_moveUp->setEnabled(states.moveUpEnabled);
    m_moveDown->setEnabled(states.moveDownEnabled);
}

void EditorWindow::focusLabel() {
    m_label->setFocus(Qt::OtherFocusReason);
    // Typing replaces the placeholder title at once.
    m_label->selectAll();
}

void EditorWindow::setPermissionText(const QString& text) {
    m_permission->setText(text);
    fitToContents();
}

void EditorWindow::showWindow() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    // Opened afresh, the keyboard starts in the list, where the arrow keys pick a prompt.
    if (!focusWidget())
        m_list->setFocus(Qt::ActiveWindowFocusReason);
}

void EditorWindow::closeWindow() {
    hide();
}

bool EditorWindow::isWindowVisible() const {
    return isVisible();
}

void EditorWindow::showAlert(const QString& message, const QString& informativeText) {
    auto* alert =
        new QMessageBox(QMessageBox::Warning, AppIdentity::name(), message, QMessageBox::Ok, this);
    alert->setObjectName(QStringLiteral("alert"));
    alert->setInformativeText(informativeText);
    alert->setWindowModality(Qt::WindowModal);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->open();
}

int EditorWindow::ask(const QString& message, const QString& informativeText,
                      const QStringList& choices) {
    QMessageBox box(QMessageBox::Warning, AppIdentity::name(), message, QMessageBox::NoButton,
                    this);
    box.setObjectName(QStringLiteral("question"));
    box.setInformativeText(informativeText);
    box.setWindowModality(Qt::WindowModal);
    QList<QAbstractButton*> buttons;
    for (const QString& choice : choices)
        buttons.append(box.addButton(choice, QMessageBox::AcceptRole));
    // Each choice loses something, so Return and Escape pick neither.
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
}

std::optional<Rect> EditorWindow::promptTextScreenRect() const {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return std::nullopt;
    // The visible text area, whatever the length of its text.
    const QPoint topLeft = m_body->mapToGlobal(QPoint(0, 0));
    return Rect(topLeft.x(), topLeft.y(), m_body->width(), m_body->height());
}

std::unique_ptr<EditorView> createEditorWindow() {
    return std::make_unique<EditorWindow>();
}

} // namespace tandrel
