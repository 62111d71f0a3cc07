#include "rzk/WindowObserver.h"

#include <utility>

#include "rzk/EventValues.h"

namespace rzk {

WindowObserver::WindowObserver() = default;
WindowObserver::~WindowObserver() = default;

bool WindowObserver::EventHandler(unsigned char event, dom::MessageReader& reader) {
    return event < FIRST_SUBJECT_EVENT ? Observer::EventHandler(event, reader) : HandleEvent(event, reader);
}

bool WindowObserver::HandleEvent(unsigned char event, dom::MessageReader& reader) {
    std::int32_t a = 0;
    std::int32_t b = 0;
    std::int32_t c = 0;
    bool flag = false;
    switch (event) {
        case SIZE:
            if (!reader.GetInt32Value(a) || !reader.GetInt32Value(b)) {
                return false;
            }
            OnSize(a, b);
            return true;
        case STATUS_REFRESH:
            OnStatusRefresh();
            return true;
        case MOUSE_ACTIVATE:
            OnMouseActivate();
            return true;
        case MOUSE_BUTTON:
            if (!reader.GetInt32Value(a) || !reader.GetBooleanValue(flag) || !reader.GetInt32Value(b) ||
                !reader.GetInt32Value(c)) {
                return false;
            }
            OnMouseButton(a, flag, b, c);
            return true;
        case MOUSE_DOUBLE_CLICK:
            if (!reader.GetInt32Value(a)) {
                return false;
            }
            OnMouseDoubleClick(a);
            return true;
        case MOUSE_WHEEL:
            if (!reader.GetInt32Value(a) || !reader.GetInt32Value(b) || !reader.GetInt32Value(c)) {
                return false;
            }
            OnMouseWheel(static_cast<short>(a), b, c);
            return true;
        case MOUSE_MOVE:
            if (!reader.GetInt32Value(a) || !reader.GetInt32Value(b)) {
                return false;
            }
            OnMouseMove(a, b);
            return true;
        case MOUSE_LEAVE:
            OnMouseLeave();
            return true;
        case MODIFIER_KEY:
            if (!reader.GetInt32Value(a) || !reader.GetBooleanValue(flag)) {
                return false;
            }
            OnModifierKey(a, flag);
            return true;
        case KEY_DOWN:
        case KEY_UP:
            if (!reader.GetInt32Value(a)) {
                return false;
            }
            if (event == KEY_DOWN) {
                OnKeyDown(a);
            } else {
                OnKeyUp(a);
            }
            return true;
        case KEY_PRESS: {
            du::Symbol text;
            du::Symbol systemKey;
            if (!reader.GetStringValue(text) || !reader.GetStringValue(systemKey)) {
                return false;
            }
            OnKeyPress(text.ToString(), systemKey);
            return true;
        }
        case MOTION: {
            std::int64_t values[6] = {};
            for (std::int64_t& value : values) {
                if (!events::ReadInt64(reader, value)) {
                    return false;
                }
            }
            OnMotionEvent(values[0], values[1], values[2], values[3], values[4], values[5]);
            return true;
        }
        case TOUCH:
            return DecodeTouch(reader);
        default:
            return false;
    }
}

bool WindowObserver::DecodeTouch(dom::MessageReader& reader) {
    std::array<int, TOUCH_VALUES> v{};
    for (int& value : v) {
        if (!reader.GetInt32Value(value)) {
            return false;
        }
    }
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        OnTouch(v[I]...);
    }
    (std::make_index_sequence<TOUCH_VALUES>());
    return true;
}

void WindowObserver::OnSize(int, int) {}
void WindowObserver::OnStatusRefresh() {}
bool WindowObserver::OnMouseActivate() {
    return true;
}
void WindowObserver::OnMouseButton(int, bool, int, int) {}
void WindowObserver::OnMouseDoubleClick(int) {}
void WindowObserver::OnMouseWheel(short, int, int) {}
void WindowObserver::OnMouseMove(int, int) {}
void WindowObserver::OnMouseLeave() {}
void WindowObserver::OnModifierKey(int, bool) {}
void WindowObserver::OnKeyDown(int) {}
void WindowObserver::OnKeyUp(int) {}
void WindowObserver::OnKeyPress(const std::string&, const du::Symbol&) {}
void WindowObserver::OnMotionEvent(std::int64_t, std::int64_t, std::int64_t, std::int64_t, std::int64_t,
                                   std::int64_t) {}
void WindowObserver::OnTouch(int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int,
                             int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int,
                             int, int, int, int, int, int, int, int, int, int, int, int, int, int, int, int,
                             int, int, int, int) {}
bool WindowObserver::GetMouseMoveLocation(int&, int&) {
    return false;
}

}  // namespace rzk
