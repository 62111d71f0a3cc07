#pragma once

#include "du/RefCounted.h"
#include "du/Symbol.h"

namespace workflow {

// The data of a "trace" notification: one recorded trace line (not a du::TextData, as the workflows' own
// notifications carry). Threads: immutable once made; any thread may read it.
class TraceData : public du::RefCounted {
public:
    explicit TraceData(const du::Symbol& text) : text_(text) {}
    const du::Symbol& GetText() const { return text_; }

private:
    du::Symbol text_;
};

}  // namespace workflow
