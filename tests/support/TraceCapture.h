#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "dp/RZTracer.h"

namespace testing_support {

// Collects every trace line written while it lives, instead of letting them reach standard error.
//
//     testing_support::TraceCapture trace;
//     ... code that traces ...
//     ASSERT_EQ(trace.Lines().size(), 1u);
//     EXPECT_EQ(trace.Lines()[0].text, "Unexpected tag offset 25for interface \"X\".\n");
//     EXPECT_EQ(trace.Texts(), {"<generated code>/WorkflowManager 3 Unexpected tag offset ..."});
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
    // Each line as "category/name type text".
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const dp::TraceRecord& line : Lines()) {
            texts.push_back(line.category + "/" + line.name + " " + std::to_string(line.type) + " " +
                            line.text);
        }
        return texts;
    }

private:
    mutable std::mutex mutex_;
    std::vector<dp::TraceRecord> lines_;
    dp::TraceSink previous_;
};

}  // namespace testing_support
