#include "dom/Message.h"

#include <stdexcept>

#include "dom/ManagedObject.h"

namespace dom {
namespace {

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// A reply usually arrives within a few microseconds; spinning that long is cheaper than sleeping and being
// woken by the kernel.
constexpr int REPLY_SPIN_ROUNDS = 4000;

}  // namespace

Message::Message(const du::SmartPtr<ManagedObject>& target, std::int16_t methodTable, std::int16_t tag,
                 Purpose purpose)
    : target_(target), methodTable_(methodTable), tag_(tag), purpose_(purpose) {}

Message::~Message() {
    ClearValues();
}

Message::Value& Message::Append() {
    std::size_t index = count_;
    if (index == UINT16_MAX) {
        throw std::length_error("too many values in one message");
    }
    ++count_;
    if (index < INLINE_VALUES) {
        inline_[index] = Value{};
        return inline_[index];
    }
    overflow_.emplace_back();
    return overflow_.back();
}

const Message::Value* Message::At(std::size_t index) const {
    if (index >= count_) {
        return nullptr;
    }
    return index < INLINE_VALUES ? &inline_[index] : &overflow_[index - INLINE_VALUES];
}

Message::Value* Message::At(std::size_t index) {
    return const_cast<Value*>(static_cast<const Message*>(this)->At(index));
}

void Message::ClearValues() {
    std::size_t count = count_;
    count_ = 0;
    for (std::size_t i = 0; i < count; ++i) {
        Value& value = i < INLINE_VALUES ? inline_[i] : overflow_[i - INLINE_VALUES];
        if (value.counted && !value.taken) {
            value.counted->RemoveReference(this);
        }
        value.counted = nullptr;
    }
    overflow_.clear();
}

void Message::Return(ReturnReason reason) {
    ClearValues();
    if (returnReason_ == ReturnReason::None) {
        returnReason_ = reason;
    }
    Complete();
}

void Message::Complete() {
    completed_.store(1, std::memory_order_release);
    completed_.notify_all();
}

void Message::WaitForCompletion() {
    for (int round = 0; round < REPLY_SPIN_ROUNDS; ++round) {
        if (completed_.load(std::memory_order_acquire) != 0) {
            return;
        }
        CpuRelax();
    }
    while (completed_.load(std::memory_order_acquire) == 0) {
        completed_.wait(0, std::memory_order_acquire);
    }
}

void PrepMessageForReturnBadTag(const MessagePtr& message) {
    if (message) {
        message->Return(ReturnReason::BadTag);
    }
}

void PrepMessageForReturnBadTable(const MessagePtr& message) {
    if (message) {
        message->Return(ReturnReason::BadTable);
    }
}

// --- MessageWriter

Message& MessageWriter::Target() {
    if (!message_) {
        throw std::logic_error("MessageWriter has no message to write to");
    }
    return *message_;
}

void MessageWriter::StartMessageReply(const MessagePtr& received) {
    if (!received) {
        throw std::logic_error("MessageWriter::StartMessageReply without a message");
    }
    received->ClearValues();
    received->replied_ = true;
    message_ = received;
    reply_ = true;
}

void MessageWriter::PushStringValue(const du::Symbol& value) {
    Message::Value& slot = Target().Append();
    slot.kind = ValueKind::String;
    slot.text = value;
}

void MessageWriter::PushInt32Value(std::int32_t value) {
    Message::Value& slot = Target().Append();
    slot.kind = ValueKind::Int32;
    slot.number = static_cast<std::uint32_t>(value);
}

void MessageWriter::PushUInt32Value(std::uint32_t value) {
    Message::Value& slot = Target().Append();
    slot.kind = ValueKind::UInt32;
    slot.number = value;
}

void MessageWriter::PushBooleanValue(bool value) {
    Message::Value& slot = Target().Append();
    slot.kind = ValueKind::Boolean;
    slot.number = value ? 1 : 0;
}

void MessageWriter::PushSmartPtr(const void* object, const du::RefCounted* countedBase) {
    Message::Value& slot = Target().Append();
    slot.kind = ValueKind::ObjectPtr;
    slot.object = object;
    slot.counted = object ? countedBase : nullptr;
}

void MessageWriter::MarkNeedsReplyFlag() {
    Target().MarkNeedsReplyFlag();
}

void MessageWriter::ClearNeedsReplyFlag() {
    Target().ClearNeedsReplyFlag();
}

MessagePtr MessageWriter::FinaliseMessage() {
    if (reply_ && message_) {
        message_->Complete();
    }
    return message_;
}

// --- MessageReader

Message::Value* MessageReader::Next(ValueKind kind) {
    if (!message_) {
        return nullptr;
    }
    Message::Value* value = message_->At(position_);
    if (!value || value->kind != kind) {
        return nullptr;
    }
    ++position_;
    return value;
}

bool MessageReader::GetStringValue(du::Symbol& value) {
    Message::Value* slot = Next(ValueKind::String);
    if (!slot) {
        return false;
    }
    value = slot->text;
    return true;
}

bool MessageReader::GetInt32Value(std::int32_t& value) {
    Message::Value* slot = Next(ValueKind::Int32);
    if (!slot) {
        return false;
    }
    value = static_cast<std::int32_t>(slot->number);
    return true;
}

bool MessageReader::GetUInt32Value(std::uint32_t& value) {
    Message::Value* slot = Next(ValueKind::UInt32);
    if (!slot) {
        return false;
    }
    value = slot->number;
    return true;
}

bool MessageReader::GetBooleanValue(bool& value) {
    Message::Value* slot = Next(ValueKind::Boolean);
    if (!slot) {
        return false;
    }
    value = slot->number != 0;
    return true;
}

bool MessageReader::GetRawPtr(void*& object) {
    const du::RefCounted* counted = nullptr;
    return GetRawPtr(object, counted);
}

bool MessageReader::GetRawPtr(void*& object, const du::RefCounted*& countedBase) {
    Message::Value* slot = Next(ValueKind::ObjectPtr);
    if (!slot) {
        return false;
    }
    object = const_cast<void*>(slot->object);
    countedBase = slot->counted;
    slot->taken = true;
    return true;
}

}  // namespace dom
