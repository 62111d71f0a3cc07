#pragma once

#include <mutex>
#include <vector>

#include "dp/RZTracer.h"

namespace testing_support {

// Collects every trace line written while it lives, instead of letting them reach standard error.
//
//     testing_support::TraceCapture trace;
//     ... code that traces ...
//     ASSERT_EQ(trace.Lines().size(), 1u);
//     EXPECT_EQ(trace.Lines()[0].text, "Unexpected tag offset 25for interface \"X\".\n");
class TraceCapture {
public:
    TraceCapture()
        : previous_(dp::SetTraceSink([this](const dp::TraceRecord& record) {
              std::lock_guard lock(mutex_);
              lines_.push_back(record);
          })) {}
    ~TraceCapture() { dp::SetTraceSink(previous_); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::vector<dp::TraceRecord> Lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<dp::TraceRecord> lines_;
    dp::TraceSink previous_;
};

}  // namespace testing_support
