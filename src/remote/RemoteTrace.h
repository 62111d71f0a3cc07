#pragma once

#include <cstdint>

#include "dom/Message.h"
#include "dp/RZTracer.h"

namespace workflow::remote {

// The refusals of a dispatcher: one trace line (type 3) naming the interface, then the message goes back
// to its sender. The number runs straight into "for": the line has always read that way. Queue thread only.
inline void RefuseMethodTable(dp::RZTracer& tracer, const char* interfaceLine,
                              const dom::MessagePtr& message) {
    tracer.GetFormatter(3) << "Unexpected method table " << static_cast<int>(message->GetMethodTable())
                           << interfaceLine;
    dom::PrepMessageForReturnBadTable(message);
}

inline void RefuseTag(dp::RZTracer& tracer, const char* interfaceLine, const dom::MessagePtr& message,
                      std::int16_t tag) {
    tracer.GetFormatter(3) << "Unexpected tag offset " << static_cast<int>(tag) << interfaceLine;
    dom::PrepMessageForReturnBadTag(message);
}

}  // namespace workflow::remote
