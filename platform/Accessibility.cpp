// SPDX-License-Identifier: MIT
#include "platform/Accessibility.h"

namespace tandrel::a11y {

Question questionOf(Label label) {
    switch (label) {
    case Label::name:
        return Question::name;
    case Label::description:
        return Question::description;
    case Label::placeholder:
        return Question::placeholder;
    case Label::identifier:
        return Question::identifier;
    case Label::tagName:
        return Question::tagName;
    }
    return Question::name;
}

Question questionOf(State state) {
    return state == State::enabled ? Question::enabled : Question::editable;
}

const char* nameOf(Question question) {
    switch (question) {
    case Question::role:
        return "role";
    case Question::name:
        return "name";
    case Question::description:
        return "description";
    case Question::placeholder:
        return "placeholder";
    case Question::identifier:
        return "identifier";
    case Question::tagName:
        return "tag name";
    case Question::classes:
        return "classes";
    case Question::enabled:
        return "enabled";
    case Question::editable:
        return "editable";
    case Question::frame:
        return "frame";
    case Question::parent:
        return "parent";
    case Question::children:
        return "children";
    case Question::window:
        return "window";
    case Question::focusedElement:
        return "focused element";
    case Question::address:
        return "address";
    case Question::text:
        return "text";
    case Question::isAwake:
        return "is awake";
    case Question::wake:
        return "wake";
    }
    return "";
}

} // namespace tandrel::a11y
