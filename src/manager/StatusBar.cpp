#include "manager/StatusBar.h"

#include "rzk/View.h"

namespace workflow {
namespace {
constexpr const char SEPARATOR[] = "   ";
}

bool StatusBar::BeginPass() {
    if (updating_ || cleared_) {
        return false;
    }
    updating_ = true;
    for (auto& field : fields_) {
        field.clear();
    }
    return true;
}

void StatusBar::EndPass(rzk::View* view) {
    text_.clear();
    for (const auto& field : fields_) {
        if (field.empty()) {
            continue;
        }
        if (!text_.empty()) {
            text_ += SEPARATOR;
        }
        text_ += field;
    }
    if (nextStatusTime_ < lastTickTime_) {
        Push(view, lastTickTime_);
    } else {
        pending_ = true;
    }
    updating_ = false;
}

const std::string& StatusBar::GetField(int field) const {
    static const std::string none;
    return static_cast<unsigned>(field) < fields_.size() ? fields_[static_cast<unsigned>(field)] : none;
}

bool StatusBar::SetField(int field, const std::string& text) {
    if (cleared_ || static_cast<unsigned int>(field) >= FIELD_COUNT) {
        return false;
    }
    std::string& slot = fields_[static_cast<unsigned int>(field)];
    if (!slot.empty()) {
        return false;
    }
    slot = text;
    return true;
}

void StatusBar::Tick(std::int64_t now, rzk::View* view) {
    lastTickTime_ = now;
    if (view && pending_ && nextStatusTime_ < now) {
        Push(view, now);
    }
}

void StatusBar::Clear() {
    for (auto& field : fields_) {
        field.clear();
    }
    text_.clear();
    updating_ = false;
    cleared_ = true;
}

void StatusBar::Push(rzk::View* view, std::int64_t now) {
    if (view) {
        view->SetStatusMessage(text_);
    }
    nextStatusTime_ = now + PUSH_SPACING;
    pending_ = false;
}

}  // namespace workflow
