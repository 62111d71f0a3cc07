#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "du/SmartPtr.h"

namespace rzk {
class View;
}

namespace workflow {

// The four status-bar fields of one status pass, the composed text, and the timing that pushes it to the
// view at most once per 100 tick units. Fields and text are cleared, never freed, so that a pass with
// stable texts allocates nothing.
class StatusBar {
public:
    static constexpr int FIELD_COUNT = 4;
    static constexpr std::int64_t PUSH_SPACING = 100;

    // Starts a pass: false when one is already running (a nested update does nothing).
    bool BeginPass();
    // Composes the fields and pushes the text when due, otherwise leaves it pending. Ends the pass.
    void EndPass(rzk::View* view);
    // First writer of a field wins; fields outside 0 to 3 are refused.
    bool SetField(int field, const std::string& text);
    // The text of field in the last pass, "" outside 0 to 3; read by test harnesses, which need not wait for
    // the push.
    const std::string& GetField(int field) const;
    // A timeout tick: records the time and pushes a pending text when due.
    void Tick(std::int64_t now, rzk::View* view);
    // Forgets fields and text for good: the manager is being emptied and takes no further passes.
    void Clear();

private:
    void Push(rzk::View* view, std::int64_t now);

    std::array<std::string, FIELD_COUNT> fields_;
    std::string text_;
    bool updating_ = false;
    bool pending_ = false;
    bool cleared_ = false;
    std::int64_t lastTickTime_ = 0;
    std::int64_t nextStatusTime_ = 0;
};

}  // namespace workflow
