#include "dom/Message.h"

#include <mutex>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "dom/ManagedObject.h"
#include "dom/detail/QueueCore.h"
#include "dom/detail/RuntimeAccess.h"

#if defined(__SANITIZE_ADDRESS__)
#define DOM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DOM_ASAN 1
#endif
#endif

#ifdef DOM_ASAN
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#endif

namespace dom {
namespace {

// A reply usually arrives within a few microseconds; spinning that long is cheaper than sleeping and being
// woken by the kernel.
constexpr int REPLY_SPIN_ROUNDS = 4000;

// A cached block keeps the address of the next cached block in one word, its link: the first word, on the
// cache line that making the next message writes anyway. Under AddressSanitizer the link is the last word
// and the rest of a cached block is poisoned: the heap no longer sees these blocks freed, so a use of a
// message after its last reference went is caught this way instead. The link stays readable, so that the
// leak checker follows the chain to the blocks behind it; everything before it, the header first, is covered.
#ifdef DOM_ASAN
constexpr std::size_t LINK_OFFSET = sizeof(Message) - sizeof(void*);
#else
constexpr std::size_t LINK_OFFSET = 0;
#endif

struct BlockLink {
    void* next;
};

BlockLink& LinkOf(void* block) {
    return *std::launder(reinterpret_cast<BlockLink*>(static_cast<char*>(block) + LINK_OFFSET));
}

void* NextOf(void* block) {
    return LinkOf(block).next;
}

void Cache(void* block, void* next) {
    new (static_cast<char*>(block) + LINK_OFFSET) BlockLink{next};
    ASAN_POISON_MEMORY_REGION(block, LINK_OFFSET);
}

void* Uncache(void* block) {
    ASAN_UNPOISON_MEMORY_REGION(block, LINK_OFFSET);
    return block;
}

// Free blocks travel between threads in chains of MAGAZINE blocks, one lock per chain: the thread that
// frees messages fills chains, the thread that makes them takes chains.
constexpr std::size_t MAGAZINE = 128;
constexpr std::size_t DEPOT_LIMIT = 64;

struct Depot {
    std::mutex mutex;
    std::vector<void*> chains;
};

Depot& TheDepot() {
    static Depot* depot = new Depot;  // never destroyed: threads may return blocks during process exit
    return *depot;
}

// Trivially destructible, so it stays usable on a thread after its flusher has run.
struct BlockCache {
    void* blocks;
    std::size_t count;
    bool closed;
};
thread_local BlockCache blockCache{nullptr, 0, false};

void FreeChain(void* chain) {
    while (chain) {
        void* next = NextOf(chain);
        ::operator delete(Uncache(chain));
        chain = next;
    }
}

// Splits off MAGAZINE blocks of the cache and hands them to the depot (or to the heap when it is full).
void ShipMagazine(BlockCache& cache) {
    void* chain = cache.blocks;
    void* last = chain;
    for (std::size_t i = 1; i < MAGAZINE; ++i) {
        last = NextOf(last);
    }
    cache.blocks = NextOf(last);
    cache.count -= MAGAZINE;
    LinkOf(last).next = nullptr;
    {
        std::lock_guard lock(TheDepot().mutex);
        if (TheDepot().chains.size() < DEPOT_LIMIT) {
            TheDepot().chains.push_back(chain);
            return;
        }
    }
    FreeChain(chain);
}

struct BlockCacheFlusher {
    ~BlockCacheFlusher() {
        blockCache.closed = true;
        FreeChain(std::exchange(blockCache.blocks, nullptr));
        blockCache.count = 0;
    }
};
thread_local BlockCacheFlusher blockCacheFlusher;

}  // namespace

void* Message::operator new(std::size_t size) {
    if (size == sizeof(Message)) {
        BlockCache& cache = blockCache;
        if (!cache.blocks && !cache.closed) {
            (void)&blockCacheFlusher;  // registers the flusher of this thread
            std::lock_guard lock(TheDepot().mutex);
            if (!TheDepot().chains.empty()) {
                cache.blocks = TheDepot().chains.back();
                cache.count = MAGAZINE;
                TheDepot().chains.pop_back();
            }
        }
        if (void* block = cache.blocks) {
            cache.blocks = NextOf(block);
            --cache.count;
            return Uncache(block);
        }
    }
    return ::operator new(size);
}

void Message::operator delete(void* block) noexcept {
    BlockCache& cache = blockCache;
    if (cache.closed) {
        ::operator delete(block);
        return;
    }
    (void)&blockCacheFlusher;
    Cache(block, cache.blocks);
    cache.blocks = block;
    if (++cache.count >= 2 * MAGAZINE) {
        ShipMagazine(cache);
    }
}

Message::Message(ManagedObject* target, std::int16_t methodTable, std::int16_t tag, Purpose purpose)
    : target_(target), methodTable_(methodTable), tag_(tag), purpose_(purpose) {}

Message::~Message() {
    ClearValues();
}

Message::Value& Message::Append() {
    std::size_t index = count_;
    if (index == UINT16_MAX) {
        throw std::length_error("too many values in one message");
    }
    if (index < INLINE_VALUES) {
        ++count_;
        return *new (inline_ + index * sizeof(Value)) Value();
    }
    if (!overflow_) {
        overflow_ = std::make_unique<std::deque<Value>>();
    }
    overflow_->emplace_back();
    ++count_;
    return overflow_->back();
}

const Message::Value* Message::At(std::size_t index) const {
    if (index >= count_) {
        return nullptr;
    }
    if (index < INLINE_VALUES) {
        return std::launder(reinterpret_cast<const Value*>(inline_ + index * sizeof(Value)));
    }
    return &(*overflow_)[index - INLINE_VALUES];
}

Message::Value* Message::At(std::size_t index) {
    return const_cast<Value*>(static_cast<const Message*>(this)->At(index));
}

void Message::ClearValues() {
    std::size_t count = count_;
    for (std::size_t i = 0; i < count; ++i) {
        Value& value = *At(i);
        bool holdsReference = value.kind == ValueKind::ObjectPtr || value.kind == ValueKind::Handle;
        if (holdsReference && value.payload.reference.counted && !value.taken) {
            value.payload.reference.counted->RemoveReference(this);
        } else if (value.kind == ValueKind::String) {
            std::launder(reinterpret_cast<du::Symbol*>(value.payload.text))->~Symbol();
        }
    }
    count_ = 0;
    overflow_.reset();
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
        detail::CpuRelax();
    }
    while (completed_.load(std::memory_order_acquire) == 0) {
        completed_.wait(0, std::memory_order_acquire);
    }
}

void PrepMessageForReturnBadTag(const MessagePtr& message) {
    if (message) {
        detail::RuntimeAccess::Return(*message, ReturnReason::BadTag);
    }
}

void PrepMessageForReturnBadTable(const MessagePtr& message) {
    if (message) {
        detail::RuntimeAccess::Return(*message, ReturnReason::BadTable);
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
    detail::RuntimeAccess::StartReply(*received);
    message_ = received;
    reply_ = true;
}

void MessageWriter::PushStringValue(const du::Symbol& value) {
    Message::Value& slot = Target().Append();
    slot.kind = ValueKind::String;
    new (slot.payload.text) du::Symbol(value);
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
    slot.payload.reference = {object, object ? countedBase : nullptr};
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
    reply_ = false;
    return std::move(message_);
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
    value = *std::launder(reinterpret_cast<const du::Symbol*>(slot->payload.text));
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
    object = const_cast<void*>(slot->payload.reference.object);
    countedBase = slot->payload.reference.counted;
    slot->taken = true;
    return true;
}

}  // namespace dom
