#pragma once

// How the stand-in's subjects write event values that the actor runtime has no kind for, and how the
// observer bases read them back: a 64-bit number travels as two unsigned 32-bit halves (high first), a
// counted object as an object pointer carrying one travelling reference (null travels as null).

#include <cstdint>

#include "dom/Message.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"

namespace rzk::events {

inline void PushInt64(dom::MessageWriter& writer, std::int64_t value) {
    const auto bits = static_cast<std::uint64_t>(value);
    writer.PushUInt32Value(static_cast<std::uint32_t>(bits >> 32));
    writer.PushUInt32Value(static_cast<std::uint32_t>(bits));
}

inline bool ReadInt64(dom::MessageReader& reader, std::int64_t& value) {
    std::uint32_t high = 0;
    std::uint32_t low = 0;
    if (!reader.GetUInt32Value(high) || !reader.GetUInt32Value(low)) {
        return false;
    }
    value = static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
    return true;
}

template <class T>
void PushObject(dom::MessageWriter& writer, const du::SmartPtr<T>& object) {
    T* raw = object.Get();
    if (raw) {
        raw->AddReference(&writer);
    }
    writer.PushSmartPtr(static_cast<const void*>(raw), static_cast<const du::RefCounted*>(raw));
}

template <class T>
bool ReadObject(dom::MessageReader& reader, du::SmartPtr<T>& object) {
    void* raw = nullptr;
    const du::RefCounted* travelling = nullptr;
    if (!reader.GetRawPtr(raw, travelling)) {
        return false;
    }
    object = static_cast<T*>(raw);
    if (travelling) {
        travelling->RemoveReference();
    }
    return true;
}

}  // namespace rzk::events
