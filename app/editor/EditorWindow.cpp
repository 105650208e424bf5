#include "app/editor/EditorWindow.h"

#include "app/editor/ArrowIcon.h"
#include "app/editor/EditorController.h"
#include "app/editor/PromptList.h"
#include "app/identity/AppIdentity.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include <functional>

namespace tandrel {

namespace {

constexpr int kWidth = 760;
constexpr int kHeight = 540;
constexpr int kRowHeight = 38;
constexpr int kButtonHeight = 30;

// Frames are laid out as on a canvas whose origin is the bottom-left corner, y upwards; Qt
// places widgets from the top-left corner.
QRect fromBottomLeft(int x, int y, int width, int height) {
    return QRect(x, kHeight - y - height, width, height);
}

QFont pixelFont(const QFont& base, int pixels, QFont::Weight weight = QFont::Normal) {
    QFont font = base;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

void useSecondaryColour(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
}

} // namespace

EditorWindow::EditorWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint) {
    setWindowTitle(AppIdentity::name() + QStringLiteral(" — Edit Prompts"));
    setFixedSize(kWidth, kHeight);
    build();
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
    auto* heading = new QLabel(QStringLiteral("Your prompts, one click away."), this);
    heading->setFont(pixelFont(font(), 22, QFont::DemiBold));
    heading->setGeometry(fromBottomLeft(24, 491, 650, 28));

    m_permission = new QLabel(this);
    m_permission->setObjectName(QStringLiteral("permission"));
    m_permission->setWordWrap(true);
    m_permission->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_permission->setFont(pixelFont(font(), 12));
    useSecondaryColour(m_permission);
    m_permission->setGeometry(fromBottomLeft(24, 429, 528, 49));

    QPushButton* settings = actionButton(QStringLiteral("Accessibility Settings…"),
                                         &EditorController::openAccessibility);
    settings->setObjectName(QStringLiteral("accessibilitySettingsButton"));
    settings->setGeometry(fromBottomLeft(568, 441, 168, kButtonHeight));

    m_list = new PromptList(this);
    m_list->setObjectName(QStringLiteral("promptList"));
    m_list->setAccessibleName(QStringLiteral("Prompts"));
    m_list->setToolTip(QStringLiteral("Drag prompts to change their button order."));
    m_list->setFont(pixelFont(font(), 13));
    const QRect listFrame = fromBottomLeft(24, 143, 230, 267);
    m_list->setGeometry(listFrame);
    m_list->dragPayload = [this](int row) {
        return m_controller ? m_controller->dragPayload(row) : std::nullopt;
    };
    m_list->validateDrop = [this](const DropProposal& proposal) {
        return m_controller ? m_controller->validateDrop(proposal) : DropTarget{};
    };
    m_list->acceptDrop = [this](const DropProposal& proposal) {
        return m_controller && m_controller->acceptDrop(proposal);
    };
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_controller)
            m_controller->selectionDidChange(selectedRow());
    });

    // "+ Add", Remove, up and down in one row, 12 pixels below the list and as wide as it.
    auto* listButtons = new QWidget(this);
    listButtons->setGeometry(listFrame.left(), listFrame.bottom() + 1 + 12, listFrame.width(),
                             kButtonHeight);
    auto* row = new QHBoxLayout(listButtons);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    QPushButton* add = actionButton(QStringLiteral("+ Add"), &EditorController::addPrompt);
    add->setObjectName(QStringLiteral("addButton"));
    add->setAccessibleName(QStringLiteral("Add prompt"));
    m_remove = actionButton(QStringLiteral("Remove"), &EditorController::removePrompt);
    m_remove->setObjectName(QStringLiteral("removeButton"));
    const QColor arrowColour = palette().color(QPalette::ButtonText);
    m_moveUp = actionButton(QString(), &EditorController::movePromptUp);
    m_moveUp->setObjectName(QStringLiteral("moveUpButton"));
    m_moveUp->setIcon(arrowIcon(ArrowDirection::Up, arrowColour));
    m_moveDown = actionButton(QString(), &EditorController::movePromptDown);
    m_moveDown->setObjectName(QStringLiteral("moveDownButton"));
    m_moveDown->setIcon(arrowIcon(ArrowDirection::Down, arrowColour));
    for (auto [button, text] : {std::pair{m_moveUp, QStringLiteral("Move prompt up")},
                                std::pair{m_moveDown, QStringLiteral("Move prompt down")}}) {
        button->setToolTip(text);
        button->setAccessibleName(text);
        button->setFixedWidth(28);
    }
    for (QPushButton* button : {add, m_remove, m_moveUp, m_moveDown}) {
        listButtons->layout()->addWidget(button);
        button->setFixedHeight(kButtonHeight);
    }
    row->setStretchFactor(add, 1);
    row->setStretchFactor(m_remove, 1);

    auto* labelHeading = new QLabel(QStringLiteral("Button label (1–2 words)"), this);
    labelHeading->setFont(pixelFont(font(), 12, QFont::DemiBold));
    labelHeading->setGeometry(fromBottomLeft(278, 391, 310, 18));
    m_label = new QLineEdit(this);
    m_label->setObjectName(QStringLiteral("labelField"));
    m_label->setPlaceholderText(QStringLiteral("A short name for your prompt"));
    m_label->setAccessibleName(QStringLiteral("Button label"));
    m_label->setGeometry(fromBottomLeft(278, 358, 458, 26));
    labelHeading->setBuddy(m_label);

    auto* textHeading = new QLabel(QStringLiteral("Prompt text"), this);
    textHeading->setFont(pixelFont(font(), 12, QFont::DemiBold));
    textHeading->setGeometry(fromBottomLeft(278, 324, 310, 18));
    // Plain text only: pasted rich text arrives as its characters, quotes and dashes as typed.
    m_body = new QPlainTextEdit(this);
    m_body->setObjectName(QStringLiteral("promptText"));
    m_body->setAccessibleName(QStringLiteral("Prompt text"));
    m_body->setFont(pixelFont(font(), 14));
    m_body->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_body->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_body->document()->setDocumentMargin(8);
    m_body->setGeometry(fromBottomLeft(278, 105, 458, 211));
    textHeading->setBuddy(m_body);

    auto* footer = new QLabel(QStringLiteral("Buttons paste at the cursor and press Return. "
                                             "Prompts are saved only on this computer."),
                              this);
    footer->setFont(pixelFont(font(), 11));
    useSecondaryColour(footer);
    footer->setGeometry(fromBottomLeft(24, 70, 712, 18));

    // Preview on the left; Cancel and Save at the bottom right, 24 pixels from both edges.
    QPushButton* save = actionButton(QStringLiteral("Save"), &EditorController::savePrompts);
    save->setObjectName(QStringLiteral("saveButton"));
    save->setToolTip(QStringLiteral("Save (Ctrl+S)"));
    QPushButton* cancel = actionButton(QStringLiteral("Cancel"), &EditorController::cancelEdit);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setToolTip(QStringLiteral("Cancel (Esc)"));
    QPushButton* preview =
        actionButton(QStringLiteral("Preview buttons"), &EditorController::previewButtons);
    preview->setObjectName(QStringLiteral("previewButton"));
    const int saveWidth = std::max(118, save->sizeHint().width());
    const int cancelWidth = std::max(88, cancel->sizeHint().width());
    const int saveX = kWidth - 24 - saveWidth;
    save->setGeometry(fromBottomLeft(saveX, 24, saveWidth, kButtonHeight));
    cancel->setGeometry(fromBottomLeft(saveX - 12 - cancelWidth, 24, cancelWidth, kButtonHeight));
    preview->setGeometry(fromBottomLeft(24, 24, preview->sizeHint().width(), kButtonHeight));

    // Keyboard order: the settings button, the list and its buttons, the fields, then the
    // window's own buttons.
    const QList<QWidget*> order = {settings, m_list, add,     m_remove, m_moveUp, m_moveDown,
                                   m_label,  m_body, preview, cancel,   save};
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
    auto* cancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(cancelShortcut, &QShortcut::activated, this, [this] {
        // Escape during a drag only ends the drag.
        if (m_list->isDraggingRow())
            m_list->cancelDrag();
        else if (m_controller)
            m_controller->cancelEdit();
    });
}

void EditorWindow::attach(EditorController* controller) {
    m_controller = controller;
}

int EditorWindow::selectedRow() const {
    const QList<QListWidgetItem*> items = m_list->selectedItems();
    return items.isEmpty() ? -1 : m_list->row(items.first());
}

void EditorWindow::reloadRows(const QStringList& titles) {
    m_list->cancelDrag();
    m_list->clear();
    for (const QString& title : titles) {
        auto* item = new QListWidgetItem(title);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        item->setSizeHint(QSize(0, kRowHeight));
        m_list->addItem(item);
    }
}

void EditorWindow::reloadRow(int row, const QString& title) {
    if (QListWidgetItem* item = m_list->item(row))
        item->setText(title);
}

void EditorWindow::selectRow(int row) {
    if (row < 0 || row >= m_list->count()) {
        m_list->clearSelection();
        return;
    }
    m_list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void EditorWindow::scrollToRow(int row) {
    if (QListWidgetItem* item = m_list->item(row))
        m_list->scrollToItem(item);
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
    m_list->cancelDrag();
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
    const int primaryHeight = screens.first()->geometry().height();
    return Rect(topLeft.x(), primaryHeight - topLeft.y() - m_body->height(), m_body->width(),
                m_body->height());
}

std::unique_ptr<EditorView> createEditorWindow() {
    return std::make_unique<EditorWindow>();
}

} // namespace tandrel
