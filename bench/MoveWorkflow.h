#pragma once

// A simple workflow that handles "MsgMouseMove" and consumes it only when told to: N of them, only the
// lowest consuming, make every dispatch visit the whole stack.
#include <benchmark/benchmark.h>

#include "messages/ConstStrings.h"
#include "workflows/SimpleWorkflow.h"

namespace bench_support {

class MoveWorkflow : public workflow::SimpleWorkflow {
public:
    MoveWorkflow(unsigned int priority, bool consume) : SimpleWorkflow("move"), consume_(consume) {
        SetPriority(priority);
        AddMsgTypeHandled(workflow::ConstStrings::MsgMouseMove, false);
        SetActive(true);
    }
    bool OnMsgMouseMove(int x, int) override {
        benchmark::DoNotOptimize(x);
        return consume_;
    }

private:
    bool consume_;
};

}  // namespace bench_support
