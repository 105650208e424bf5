// SPDX-License-Identifier: MIT
#pragma once

#include "app/palette/PaletteView.h"
#include "core/Configuration.h"
#include "platform/Screens.h"

#include <QObject>

#include <functional>
#include <optional>
#include <vector>

namespace tandrel {

// The floating strip of prompt buttons: which buttons fit, what the overflow menu lists, the
// status line, and where the window goes next to a composer. It decides every frame and flag as
// plain values and hands them to its view; when the palette shows is its owner's business.
class PaletteController final : public QObject {
    Q_OBJECT
public:
    // One prompt button as laid out.
    struct Row {
        Prompt prompt;
        Rect frame; // in the strip: fixed from the rebuild on
        bool hidden = false;
        bool enabled = true;
    };

    // Both must outlive the controller. The view's actions are taken over here.
    PaletteController(Screens& screens, PaletteView& view);
    ~PaletteController();
    PaletteController(const PaletteController&) = delete;
    PaletteController& operator=(const PaletteController&) = delete;

    // New buttons for the configuration's prompts, the status line cleared, laid out at the
    // width the buttons want (at most 680).
    void rebuild(const Configuration& configuration);
    // A sender's report. While busy the status line is hidden and the prompt buttons and
    // overflow items are disabled. Re-lays the palette at its current width.
    void status(const std::optional<QString>& message, bool busy);
    // Sizes the window to this width and decides which buttons move into the overflow menu.
    void layout(double width);
    // Sizes, places and shows the palette next to a composer rectangle in the screens'
    // coordinates. Nothing happens without any screen.
    void show(const Rect& composer);

    // The window.
    void orderOut();
    bool isVisible() const { return m_visible; }
    Rect frame() const { return m_frame; } // in the screens' coordinates
    // Centres the window on the main screen's visible area, a little above the middle.
    void center();
    void setFrameOrigin(const Point& origin); // the top-left corner
    void orderFrontRegardless();

    // The actions of the window's controls (also what the view's presses call).
    void pressPrompt(int index);
    void sendOverflowPrompt(int tag);
    void editPrompts();
    void dismiss();

    // State, read-only.
    const std::vector<Row>& rows() const { return m_rows; }
    double preferredWidth() const { return m_preferredWidth; }
    const std::optional<QString>& message() const { return m_message; }
    bool busy() const { return m_busy; }
    const std::vector<int>& overflowIndices() const { return m_overflowIndices; }
    const std::optional<OverflowMenu>& overflowMenu() const { return m_overflowMenu; }
    const PaletteLayout& currentLayout() const { return m_layout; }
    const std::optional<StripHint>& hint() const { return m_hint; }

signals:
    // The user's actions on the palette.
    void promptChosen(const Prompt& prompt);
    void editChosen();
    // After the window has been ordered out.
    void dismissed();

private:
    void setContentSize(const Size& size);
    OverflowMenu makeOverflowMenu() const;

    Screens& m_screens;
    PaletteView& m_view;
    std::vector<Row> m_rows;
    std::optional<StripHint> m_hint;
    double m_preferredWidth = 360;
    std::optional<QString> m_message;
    std::vector<int> m_overflowIndices;
    std::optional<OverflowMenu> m_overflowMenu;
    bool m_busy = false;
    PaletteLayout m_layout;
    Rect m_frame{0, 0, 360, 44};
    bool m_visible = false;
};

} // namespace tandrel
