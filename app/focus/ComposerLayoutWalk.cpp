// SPDX-License-Identifier: MIT
#include "app/focus/AX.h"
#include "core/ComposerSurface.h"
#include "platform/AXNames.h"

namespace tandrel {

namespace {

// The input and at most 23 ancestors: composer bodies sit a few levels above the input, and a
// bound keeps a deep page from costing a long walk on every tick.
constexpr int kMaxLayoutElements = 24;

bool endsWalk(const QString& role, const QStringList& classes) {
    return role == QLatin1String("AXWindow") || role == QLatin1String("AXApplication") ||
           role == QLatin1String("AXWebArea") ||
           classes.contains(QStringLiteral("thread-scroll-container"));
}

} // namespace

std::optional<ComposerLayout> AX::composerLayout(const ax::Element& input, bool openCode) const {
    std::optional<ax::Element> current = input;
    std::optional<ax::Element> previous;
    std::vector<ax::Element> elements;
    std::vector<Rect> panels;
    Rect body(0, 0, 0, 0);
    bool lookingForBody = true;

    for (int steps = 0; current && steps < kMaxLayoutElements;) {
        const ax::Element here = *current;
        const QStringList classes = stringList(here, ax::attr::domClassList);
        if (endsWalk(string(here, ax::attr::role), classes))
            break;
        elements.push_back(here);

        // A prompt group (in the one application whose composer is made that way) or an
        // approval dock is the whole surface by itself.
        const bool wholeSurface = openCode ? ComposerSurface::isOpenCodePrompt(classes)
                                           : ComposerSurface::isApprovalDock(classes);
        if (wholeSurface) {
            if (const auto f = frame(here))
                return ComposerLayout{*f, elements, 0};
        }

        bool scanPanels = false;
        bool tryForm = false;
        if (ComposerSurface::isBody(classes)) {
            const auto f = frame(here);
            body = f.value_or(Rect(0, 0, 0, 0));
            scanPanels = f.has_value();
            tryForm = !f.has_value();
        } else if (lookingForBody) {
            tryForm = true;
        } else {
            scanPanels = true;
        }

        if (tryForm) {
            const QString subrole = string(here, ax::attr::subrole);
            const QString tagName = string(here, ax::attr::domTagName);
            if (ComposerSurface::isForm(subrole, tagName)) {
                const auto f = frame(here);
                body = f.value_or(Rect(0, 0, 0, 0));
                scanPanels = f.has_value();
            }
            if (!scanPanels)
                lookingForBody = true;
        }

        if (scanPanels) {
            // Panels are siblings of the path, never the path itself.
            if (previous) {
                for (const ax::Element& child : elementList(here, ax::attr::children)) {
                    if (child == *previous)
                        continue;
                    const QStringList childClasses = stringList(child, ax::attr::domClassList);
                    if (!ComposerSurface::isRail(childClasses) &&
                        !ComposerSurface::isTopTray(childClasses))
                        continue;
                    if (const auto f = frame(child)) {
                        panels.push_back(*f);
                        elements.push_back(child);
                    }
                }
            }
            lookingForBody = false;
        }

        ++steps;
        previous = here;
        current = element(here, ax::attr::parent);
    }

    // In the prompt-group application only the early answer counts.
    if (lookingForBody || openCode)
        return std::nullopt;
    return ComposerLayout{ComposerSurface::anchor(body, panels), std::move(elements),
                          static_cast<std::int64_t>(panels.size())};
}

} // namespace tandrel
