#pragma once

#include "app/editor/EditorView.h"

#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tandrel {

class PromptList;

// The editor's window: a fixed 760 x 540 window with the prompt list on the left, the selected
// prompt's label and text on the right, the permission guidance above and Preview, Cancel
// (Escape) and Save (Control+S) below; Control+Q and Control+, do what they do in the tray menu. It
// is hidden when closed, never destroyed, and it passes every action of the user to the attached
// controller.
class EditorWindow final : public QWidget, public EditorView {
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

private:
    void build();
    QPushButton* actionButton(const QString& text, void (EditorController::*action)());
    int selectedRow() const;

    EditorController* m_controller = nullptr;
    PromptList* m_list = nullptr;
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
