// SPDX-License-Identifier: MIT
#include "app/focus/AccessibleReads.h"
#include "core/ComposerSurface.h"

namespace tandrel {

namespace {

// The input and at most 23 ancestors: composer bodies sit a few levels above the input, and a
// bound keeps a deep page from costing a long walk on every tick.
constexpr int kMaxLayoutElements = 24;

bool endsWalk(std::optional<a11y::Role> role, const QStringList& classes) {
    return role == a11y::Role::window || role == a11y::Role::application ||
           role == a11y::Role::webDocument ||
           classes.contains(QStringLiteral("thread-scroll-container"));
}

} // namespace

std::optional<ComposerLayout> AccessibleReads::composerLayout(const a11y::Element& input,
                                                              bool openCode) const {
    std::optional<a11y::Element> current = input;
    std::optional<a11y::Element> previous;
    std::vector<a11y::Element> elements;
    std::vector<Rect> panels;
    Rect body(0, 0, 0, 0);
    bool lookingForBody = true;

    for (int steps = 0; current && steps < kMaxLayoutElements;) {
        const a11y::Element here = *current;
        const QStringList classList = classes(here);
        if (endsWalk(role(here), classList))
            break;
        elements.push_back(here);

        // A prompt group (in the one application whose composer is made that way) or an
        // approval dock is the whole surface by itself.
        const bool wholeSurface = openCode ? ComposerSurface::isOpenCodePrompt(classList)
                                           : ComposerSurface::isApprovalDock(classList);
        if (wholeSurface) {
            if (const auto f = frame(here))
                return ComposerLayout{*f, elements, 0};
        }

        bool scanPanels = false;
        bool tryForm = false;
        if (ComposerSurface::isBody(classList)) {
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
            const QString tagName = label(here, a11y::Label::tagName);
            if (ComposerSurface::isForm(role(here).value_or(a11y::Role::other), tagName)) {
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
                for (const a11y::Element& child : children(here)) {
                    if (child == *previous)
                        continue;
                    const QStringList childClasses = classes(child);
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
        current = parent(here);
    }

    // In the prompt-group application only the early answer counts.
    if (lookingForBody || openCode)
        return std::nullopt;
    return ComposerLayout{ComposerSurface::anchor(body, panels), std::move(elements),
                          static_cast<std::int64_t>(panels.size())};
}

} // namespace tandrel
