// SPDX-License-Identifier: MIT
#pragma once

#include "app/palette/PaletteView.h"

#include <QCoreApplication>
#include <QLabel>
#include <QWidget>

#include <memory>
#include <vector>

class QMenu;
class QPushButton;
class QToolButton;

namespace tandrel {

// A one-line label that ends in an ellipsis when its text is wider than the label.
class ElidingLabel final : public QLabel {
public:
    explicit ElidingLabel(QWidget* parent = nullptr);
    void setFullText(const QString& text);
    const QString& fullText() const { return m_fullText; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    QString m_fullText;
};

// The palette's window: a frameless, override-redirect tool window that never takes the keyboard
// focus, with a rounded background that needs no compositor. It applies what its controller
// decides and reports presses back.
class PaletteWindow final : public QWidget, public PaletteView {
    Q_DECLARE_TR_FUNCTIONS(PaletteWindow)

public:
    PaletteWindow();
    ~PaletteWindow() override;

    void setActions(Actions actions) override;
    double intrinsicButtonWidth(const QString& title) override;
    void setPromptButtons(const std::vector<PromptButtonContent>& buttons,
                          const std::optional<StripHint>& hint) override;
    void setPromptButtonsEnabled(bool enabled) override;
    void applyLayout(const PaletteLayout& layout) override;
    void setOverflowMenu(const std::optional<OverflowMenu>& menu) override;
    void setOverflowItemsEnabled(bool enabled) override;
    void setWindowFrame(const Rect& frame) override;
    void setWindowVisible(bool visible) override;

    // The parts, for tests and for accessibility checks.
    QWidget* strip() const { return m_strip; }
    const std::vector<QPushButton*>& promptButtons() const { return m_buttons; }
    QLabel* hintLabel() const { return m_hint; }
    QToolButton* moreButton() const { return m_more; }
    QMenu* overflowMenu() const { return m_menu; }
    QToolButton* editButton() const { return m_edit; }
    QToolButton* dismissButton() const { return m_dismiss; }
    ElidingLabel* statusLabel() const { return m_status; }

    // The font of the prompt buttons, the hint and the overflow control.
    static QFont buttonFont(const QFont& base);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* makeImageButton(const QIcon& icon, const QString& text);
    void updateMask(const QSize& size);

    Actions m_actions;
    QWidget* m_strip = nullptr;
    std::vector<QPushButton*> m_buttons;
    QLabel* m_hint = nullptr;
    QToolButton* m_more = nullptr;
    QMenu* m_menu = nullptr;
    QToolButton* m_edit = nullptr;
    QToolButton* m_dismiss = nullptr;
    ElidingLabel* m_status = nullptr;
};

std::unique_ptr<PaletteWindow> createPaletteWindow();

} // namespace tandrel
