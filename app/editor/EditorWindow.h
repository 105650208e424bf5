// SPDX-License-Identifier: MIT
#pragma once

#include "app/editor/EditorView.h"

#include <QCoreApplication>
#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tandrel {

class PromptList;
class PromptListModel;

// The editor's window: 760 x 540 with the prompt list on the left, the selected prompt's label
// and text on the right, the permission guidance above and Preview, Cancel (Escape) and Save
// (Control+S) below; Control+Q and Control+, do what they do in the tray menu. The user cannot
// resize it; it grows by itself when a larger desktop font or a longer translation needs more
// room. It is hidden when closed, never destroyed, and it passes every action of the user to the
// attached controller.
class EditorWindow final : public QWidget, public EditorView {
    Q_DECLARE_TR_FUNCTIONS(EditorWindow)

public:
    explicit EditorWindow(QWidget* parent = nullptr);
    ~EditorWindow() override;

    // EditorView
    void attach(EditorController* controller) override;
    void reloadRows(const QStringList& titles) override;
    void reloadRow(int row, const QString& title) override;
    void selectRow(int row) override;
    void scrollToRow(int row) override;
    void setFields(const QString& label, const QString& body) override;
    QString labelText() const override;
    QString bodyText() const override;
    void setControlStates(const EditorControlStates& states) override;
    void focusLabel() override;
    void setPermissionText(const QString& text) override;
    void showWindow() override;
    void closeWindow() override;
    bool isWindowVisible() const override;
    void showAlert(const QString& message, const QString& informativeText) override;
    int ask(const QString& message, const QString& informativeText,
            const QStringList& choices) override;
    std::optional<Rect> promptTextScreenRect() const override;

    // The controls, for tests and for the application's own use.
    PromptList* promptList() const { return m_list; }
    QLineEdit* labelField() const { return m_label; }
    QPlainTextEdit* promptTextField() const { return m_body; }
    QLabel* permissionLabel() const { return m_permission; }

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build();
    QPushButton* actionButton(const QString& text, void (EditorController::*action)());
    int selectedRow() const;
    // Text sizes in proportion to the desktop's font, and the sizes that follow from them.
    void applyFonts();
    // The design's size, or more where the contents need it.
    void fitToContents();

    EditorController* m_controller = nullptr;
    PromptListModel* m_model = nullptr;
    PromptList* m_list = nullptr;
    QLabel* m_heading = nullptr;
    QLabel* m_labelHeading = nullptr;
    QLabel* m_textHeading = nullptr;
    QLabel* m_footer = nullptr;
    QPushButton* m_settings = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_preview = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_save = nullptr;
    QLineEdit* m_label = nullptr;
    QPlainTextEdit* m_body = nullptr;
    QLabel* m_permission = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_moveUp = nullptr;
    QPushButton* m_moveDown = nullptr;
};

// The editor window the application uses.
std::unique_ptr<EditorView> createEditorWindow();

} // namespace tandrel
