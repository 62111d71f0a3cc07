#include "Drive.h"

#include <map>
#include <type_traits>

#include "rzk/Window.h"
#include "rzk/WorkflowManager.h"

namespace session {

std::pair<std::string, du::Symbol> KeyOf(const std::string& word) {
    static const std::map<std::string, std::string> texts = {{"Escape", "\x1b"}, {"Return", "\r"},
                                                             {"Enter", "\r"},    {"Tab", "\t"},
                                                             {"Space", " "},     {"BackSpace", "\b"}};
    if (auto found = texts.find(word); found != texts.end()) {
        return {found->second, du::Symbol::EMPTY};
    }
    if (word.size() == 1 ||
        (!word.empty() && static_cast<unsigned char>(word[0]) >= 0x80 && word.size() <= 4)) {
        return {word, du::Symbol::EMPTY};
    }
    return {std::string(), du::Symbol(word)};
}

std::string StatusField(const std::string& statusText, unsigned int field) {
    static const std::string separator = "   ";
    std::size_t start = 0;
    for (unsigned int i = 0; i < field; ++i) {
        const std::size_t next = statusText.find(separator, start);
        if (next == std::string::npos) {
            return std::string();
        }
        start = next + separator.size();
    }
    const std::size_t end = statusText.find(separator, start);
    return statusText.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void Post(const WindowInput& input, rzk::Window& window) {
    std::visit(
        [&](const auto& event) {
            using T = std::decay_t<decltype(event)>;
            if constexpr (std::is_same_v<T, Down> || std::is_same_v<T, Up>) {
                window.PostMouseButton(static_cast<int>(event.button), std::is_same_v<T, Down>, event.x,
                                       event.y);
            } else if constexpr (std::is_same_v<T, Move>) {
                window.PostMouseMove(event.x, event.y);
            } else if constexpr (std::is_same_v<T, DoubleClick>) {
                window.PostMouseDoubleClick(static_cast<int>(event.button));
            } else if constexpr (std::is_same_v<T, Wheel>) {
                window.PostMouseWheel(event.delta, event.x, event.y);
            } else if constexpr (std::is_same_v<T, Key>) {
                auto [text, systemKey] = KeyOf(event.key);
                window.PostKeyPress(text, systemKey);
            } else if constexpr (std::is_same_v<T, ModifierKey>) {
                window.PostModifierKey(static_cast<int>(event.modifier), event.down);
            } else if constexpr (std::is_same_v<T, Size>) {
                window.PostSize(event.width, event.height);
            } else if constexpr (std::is_same_v<T, Touch>) {
                window.PostTouch(TouchValues(event));
            } else if constexpr (std::is_same_v<T, Motion>) {
                const auto& v = event.values;
                window.PostMotionEvent(v[0], v[1], v[2], v[3], v[4], v[5]);
            } else {
                static_assert(std::is_same_v<T, Leave>);
                window.PostMouseLeave();
            }
        },
        input);
}

void Apply(const HostCall& call, rzk::WorkflowManager& manager) {
    std::visit(
        [&](const auto& c) {
            using T = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<T, Add>) {
                if (c.priority) {
                    manager.AddWorkflowAtPriority(du::Symbol(c.name), *c.priority, c.persistent);
                } else {
                    manager.AddWorkflow(du::Symbol(c.name), c.persistent);
                }
            } else if constexpr (std::is_same_v<T, Remove>) {
                if (c.priority) {
                    manager.RemoveWorkflowByPriority(*c.priority);
                } else {
                    manager.RemoveWorkflowByName(du::Symbol(c.name));
                }
            } else if constexpr (std::is_same_v<T, Persistent>) {
                manager.SetWorkflowPersistent(c.priority, c.on);
            } else if constexpr (std::is_same_v<T, Select>) {
                static const char* const changes[] = {"add", "remove", "clear"};
                manager.SendModeMessage("select", du::Symbol(changes[static_cast<int>(c.change)]), c.id,
                                        nullptr);
            } else if constexpr (std::is_same_v<T, Mode>) {
                manager.SendModeMessage(du::Symbol(c.workflow), du::Symbol(c.mode), c.number.value_or(0),
                                        nullptr);
            } else if constexpr (std::is_same_v<T, Page>) {
                manager.SetCurPage(c.page);
            } else {
                static_assert(std::is_same_v<T, Cursor>);
                manager.SetMouseCursor(c.priority, c.name == "none" ? du::Symbol() : du::Symbol(c.name));
            }
        },
        call);
}

}  // namespace session
