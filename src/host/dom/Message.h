#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace dom {

class ManagedObject;
class MessageReader;
class MessageWriter;
namespace detail {
class RuntimeAccess;

// The link of a message in a queue's lock-free list.
struct QueueLink {
    std::atomic<QueueLink*> next{nullptr};
};
}  // namespace detail

class Message;
using MessagePtr = du::SmartPtr<Message>;

// What a message value holds; every read checks it.
enum class ValueKind : std::uint8_t { String, Int32, UInt32, Boolean, ObjectPtr, Handle };

// Why a message came back to its sender without a reply.
enum class ReturnReason : std::uint8_t {
    None,       // not returned (replied, or still on its way)
    BadTag,     // the receiver did not know the tag (PrepMessageForReturnBadTag)
    BadTable,   // the receiver did not know the method table (PrepMessageForReturnBadTable)
    Unhandled,  // the receiver handled it without writing a reply
    ShutDown,   // the target's queue was shut down before the message ran
    Unmanaged,  // the target is not (or no longer) managed by any queue
};

// A call travelling to a managed object: a header (method-table number, tag, flags) and typed values in
// write order. Made by ManagedObject::StartNewMessage, filled by a MessageWriter, read by a MessageReader.
// A reply is written into the same message, replacing the request values.
//
// Object pointers carry a travelling reference: the sender adds it before pushing, and the reader that
// takes the pointer with GetRawPtr owns it from then on. Pointers never taken (a message refused before
// reaching them) have their travelling reference released with the message. Handles keep their object
// alive while they are in the message.
class RZHOST_API Message final : public du::RefCounted, private detail::QueueLink {
public:
    // The needs-reply bit of the flags.
    static constexpr std::uint8_t NEEDS_REPLY_FLAG = 2;

    // Message blocks are recycled through per-thread caches: a message is usually made on one thread and
    // freed on another, which the general heap handles slowly.
    static void* operator new(std::size_t size);
    static void operator delete(void* block) noexcept;

    ~Message() override;

    // The interface index through which the target is addressed. Any thread.
    std::int16_t GetMethodTable() const { return methodTable_; }
    // The operation's number. Any thread.
    std::int16_t GetTag() const { return tag_; }
    // Any thread.
    std::uint8_t GetFlags() const { return flags_; }
    // Any thread.
    bool NeedsReply() const { return (flags_ & NEEDS_REPLY_FLAG) != 0; }
    // Sets the needs-reply bit. The thread that holds the message.
    void MarkNeedsReplyFlag() { flags_ |= NEEDS_REPLY_FLAG; }
    // Clears the needs-reply bit. The thread that holds the message.
    void ClearNeedsReplyFlag() { flags_ &= static_cast<std::uint8_t>(~NEEDS_REPLY_FLAG); }

    // The object the message is addressed to (the proxy's target for a message made on a proxy). The message
    // holds no reference to it: a managed target stays alive until the messages queued for it have run, and
    // the sender keeps the target (or its proxy) alive until DeliverMessage returns. Any thread.
    ManagedObject* GetTarget() const { return target_; }
    // Number of values now in the message. The thread that holds the message.
    std::size_t GetValueCount() const { return count_; }
    // True once the receiver has started a reply. The thread that holds the message.
    bool HasReply() const { return replied_; }
    // Why the message came back without a reply, if it did. The thread that holds the message.
    ReturnReason GetReturnReason() const { return returnReason_; }

    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;

private:
    // The writer and the reader are the message's own value codec; the rest of the runtime goes through
    // detail::RuntimeAccess (dom/detail/RuntimeAccess.h).
    friend class MessageWriter;
    friend class MessageReader;
    friend class detail::RuntimeAccess;

    // What the queue does with the message: a call of HandleMessage, the OnManage of a newly managed object
    // posted from another thread, or the queue's reference to an unmanaged object (carried as a handle
    // value), dropped only after the messages queued before it.
    enum class Purpose : std::uint8_t { Call, Manage, Release };

    // 24 bytes: a message crosses threads, and every cache line it spans has to travel with it.
    struct Value {
        struct Reference {
            const void* object;             // object pointer, or the handle's ManagedObject
            const du::RefCounted* counted;  // the reference this value holds, if any
        };
        // A string value's symbol lives in text, made and destroyed by hand (a transient one holds its text),
        // so that a value stays trivially copyable.
        union Payload {
            Payload() : reference{nullptr, nullptr} {}
            Reference reference;
            alignas(du::Symbol) unsigned char text[sizeof(du::Symbol)];
        };

        ValueKind kind = ValueKind::Int32;
        bool taken = false;               // an object pointer whose travelling reference a reader took
        std::int16_t interfaceIndex = 0;  // of a handle
        std::uint32_t number = 0;         // int32, uint32 and boolean values
        Payload payload;
    };

    static constexpr std::size_t INLINE_VALUES = 6;

    Message(ManagedObject* target, std::int16_t methodTable, std::int16_t tag, Purpose purpose);

    Value& Append();
    const Value* At(std::size_t index) const;
    Value* At(std::size_t index);
    // Drops every value, releasing the references that values still hold.
    void ClearValues();
    // Ends the message's journey without a reply: its values are dropped, so the sender reads nothing.
    void Return(ReturnReason reason);
    // Wakes a sender blocked in DeliverMessage. The caller holds a reference to the message.
    void Complete();
    void WaitForCompletion();
    bool IsComplete() const { return completed_.load(std::memory_order_acquire) != 0; }

    ManagedObject* target_;
    std::int16_t methodTable_;
    std::int16_t tag_;
    std::uint8_t flags_ = 0;
    Purpose purpose_;
    bool posted_ = false;
    bool waited_ = false;  // a sender blocks in DeliverMessage until Complete
    bool replied_ = false;
    ReturnReason returnReason_ = ReturnReason::None;
    std::uint16_t count_ = 0;
    std::atomic<std::uint32_t> completed_{0};
    std::unique_ptr<std::deque<Value>> overflow_;  // values past INLINE_VALUES; never moved once made
    // Slots are constructed as values are appended, so a short message touches only what it uses.
    alignas(Value) unsigned char inline_[INLINE_VALUES * sizeof(Value)];
};

// Sends a received message back to its sender because its tag is unknown: the values are dropped and a
// sender waiting in DeliverMessage returns and reads nothing. Queue thread only.
RZHOST_API void PrepMessageForReturnBadTag(const MessagePtr& message);
// As PrepMessageForReturnBadTag, for an unknown method-table number. Queue thread only.
RZHOST_API void PrepMessageForReturnBadTable(const MessagePtr& message);

// Appends typed values to a new message (from ManagedObject::StartNewMessage) or to the reply of a
// received one (StartMessageReply). Pushing on a writer that has no message throws std::logic_error.
class RZHOST_API MessageWriter {
public:
    MessageWriter() = default;
    explicit MessageWriter(MessagePtr message) : message_(std::move(message)) {}

    // Starts the reply to a received message: its request values are dropped and the values pushed from now
    // on are the reply. Queue thread only.
    void StartMessageReply(const MessagePtr& received);

    // Each appends one value. The writing thread only.
    void PushStringValue(const du::Symbol& value);
    void PushInt32Value(std::int32_t value);
    void PushUInt32Value(std::uint32_t value);
    void PushBooleanValue(bool value);
    // Appends an object pointer: the object's address and the address of its counted base. The caller has
    // added the travelling reference already; a null object travels as a null pointer and holds none.
    void PushSmartPtr(const void* object, const du::RefCounted* countedBase);

    // The writing thread only.
    void MarkNeedsReplyFlag();
    // The writing thread only.
    void ClearNeedsReplyFlag();

    // Hands over the finished message; the writer is empty afterwards. For a reply this also wakes the sender
    // that waits for it. The writing thread only.
    MessagePtr FinaliseMessage();

    // The message being written (null for a writer without one). The writing thread only.
    const MessagePtr& GetMessage() const { return message_; }

private:
    friend class detail::RuntimeAccess;
    Message& Target();

    MessagePtr message_;
    bool reply_ = false;
};

// Reads the values of a message in write order. Every read checks the kind of the next value and answers
// false, leaving the position unchanged, when there is no next value or it is of another kind.
class RZHOST_API MessageReader {
public:
    explicit MessageReader(MessagePtr message) : message_(std::move(message)) {}

    // Header fields (0 for a reader without message). The reading thread only.
    std::int16_t GetMethodTable() const { return message_ ? message_->GetMethodTable() : 0; }
    std::int16_t GetTag() const { return message_ ? message_->GetTag() : 0; }
    std::uint8_t GetFlags() const { return message_ ? message_->GetFlags() : 0; }

    // Each reads the next value. The reading thread only.
    bool GetStringValue(du::Symbol& value);
    bool GetInt32Value(std::int32_t& value);
    bool GetUInt32Value(std::uint32_t& value);
    bool GetBooleanValue(bool& value);
    // Reads an object pointer (its object address) and takes over its travelling reference: the caller
    // removes that reference once it holds its own. A null pointer carries none. The reading thread only.
    bool GetRawPtr(void*& object);
    // As GetRawPtr(void*&), also giving the counted base through which the travelling reference is removed.
    bool GetRawPtr(void*& object, const du::RefCounted*& countedBase);
    // As GetRawPtr(void*&), typed; T must be the type whose address the writer pushed.
    template <class T>
    bool GetRawPtr(T*& object) {
        void* raw = nullptr;
        if (!GetRawPtr(raw)) {
            return false;
        }
        object = static_cast<T*>(raw);
        return true;
    }

    // True when another value follows. The reading thread only.
    bool HasMoreValues() const { return message_ && position_ < message_->GetValueCount(); }
    // The reading thread only.
    const MessagePtr& GetMessage() const { return message_; }

private:
    friend class detail::RuntimeAccess;
    Message::Value* Next(ValueKind kind);

    MessagePtr message_;
    std::size_t position_ = 0;
};

}  // namespace dom
