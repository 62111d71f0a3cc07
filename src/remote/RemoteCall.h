#pragma once

#include <cstdint>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "dom/ManagedObject.h"
#include "dom/Message.h"
#include "dom/ProxyObject.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "remote/RemoteValues.h"
#include "rzk/NotificationObserver.h"
#include "rzk/View.h"
#include "rzk/WorkflowManager.h"
#include "rzk/WorkflowManagerObserver.h"

// How an operation of a remote interface travels, worked out from its C++ signature: each parameter taken
// by value or by constant reference is a request value, each one taken by plain reference an out-value
// that the reply carries, and a result the reply's last value. An operation without a result is one-way. The
// proxies send with Send, the dispatchers decode with Decode, and both tables in RemoteOperations.h are
// checked against the signature strings with SignatureDescribes.
namespace workflow::remote {

// The counted classes that travel by smart pointer: by name, and as a handle when their objects have a
// queue of their own, else as a pointer with a travelling reference.
template <class T>
struct Counted;
template <>
struct Counted<du::RefCounted> {
    static constexpr std::string_view NAME = "du::RefCounted";
    static constexpr bool AS_HANDLE = false;
};
template <>
struct Counted<rzk::View> {
    static constexpr std::string_view NAME = "rzk::View";
    static constexpr bool AS_HANDLE = false;
};
template <>
struct Counted<rzk::NotificationObserver> {
    static constexpr std::string_view NAME = "rzk::NotificationObserver";
    static constexpr bool AS_HANDLE = true;
};
template <>
struct Counted<rzk::WorkflowManagerObserver> {
    static constexpr std::string_view NAME = "rzk::WorkflowManagerObserver";
    static constexpr bool AS_HANDLE = true;
};
template <>
struct Counted<rzk::WorkflowManager> {
    static constexpr std::string_view NAME = "rzk::WorkflowManager";
    static constexpr bool AS_HANDLE = true;
};

constexpr bool StripPrefix(std::string_view& text, std::string_view prefix) {
    if (!text.starts_with(prefix)) {
        return false;
    }
    text.remove_prefix(prefix.size());
    return true;
}

// One value kind: its signature code, how it is written and how it is read. self is the managed object
// the message belongs to on this side; only handles need it (and fail to read or write without it).
template <class V>
struct Value;

template <class V, class Wire, void (dom::MessageWriter::*PUSH)(Wire), bool (dom::MessageReader::*GET)(Wire&)>
struct PlainValue {
    static constexpr bool NEEDS_SELF = false;
    static void Push(const dom::ManagedObject*, const V& value, dom::MessageWriter& writer) {
        (writer.*PUSH)(value);
    }
    static bool Read(const dom::ManagedObject*, dom::MessageReader& reader, V& value) {
        return (reader.*GET)(value);
    }
};

template <>
struct Value<du::Symbol> {
    static constexpr std::string_view CODE = "S";
    static constexpr bool NEEDS_SELF = false;
    static void Push(const dom::ManagedObject*, const du::Symbol& value, dom::MessageWriter& writer) {
        writer.PushStringValue(value);
    }
    static bool Read(const dom::ManagedObject*, dom::MessageReader& reader, du::Symbol& value) {
        return reader.GetStringValue(value);
    }
};
template <>
struct Value<int>
    : PlainValue<int, std::int32_t, &dom::MessageWriter::PushInt32Value, &dom::MessageReader::GetInt32Value> {
    static constexpr std::string_view CODE = "l";
};
template <>
struct Value<unsigned int> : PlainValue<unsigned int, std::uint32_t, &dom::MessageWriter::PushUInt32Value,
                                        &dom::MessageReader::GetUInt32Value> {
    static constexpr std::string_view CODE = "ul";
};
template <>
struct Value<bool>
    : PlainValue<bool, bool, &dom::MessageWriter::PushBooleanValue, &dom::MessageReader::GetBooleanValue> {
    static constexpr std::string_view CODE = "b";
};

template <class T>
struct Value<du::SmartPtr<T>> {
    static constexpr bool NEEDS_SELF = Counted<T>::AS_HANDLE;

    static void Push(const dom::ManagedObject* self, const du::SmartPtr<T>& value,
                     dom::MessageWriter& writer) {
        if constexpr (Counted<T>::AS_HANDLE) {
            PushObserver(*self, value, writer);
        } else {
            PushObject(value.Get(), value.Get(), writer);
        }
    }
    static bool Read(const dom::ManagedObject* self, dom::MessageReader& reader, du::SmartPtr<T>& value) {
        if constexpr (Counted<T>::AS_HANDLE) {
            // Made once, on first use.
            static const du::Symbol className(Counted<T>::NAME);
            return self && ReadObserver(*self, className, reader, value);
        } else {
            return TakeObject(reader, value);
        }
    }
    static constexpr bool StripCode(std::string_view& signature) {
        return StripPrefix(signature, "R") && StripPrefix(signature, Counted<T>::NAME);
    }
};

template <class V>
constexpr bool StripCode(std::string_view& signature) {
    if constexpr (requires { Value<V>::CODE; }) {
        return StripPrefix(signature, Value<V>::CODE);
    } else {
        return Value<V>::StripCode(signature);
    }
}

// A parameter taken by plain reference is an out-value.
template <class P>
constexpr bool IS_OUT = std::is_lvalue_reference_v<P> && !std::is_const_v<std::remove_reference_t<P>>;

template <class P>
using Stored = std::remove_cvref_t<P>;

// Every operation with a reply has a result, read last; out-values come before it.
template <class Result, class... Params>
constexpr bool HAS_REPLY = !std::is_void_v<Result>;
template <class Result, class... Params>
constexpr bool WELL_FORMED = HAS_REPLY<Result, Params...> || !(IS_OUT<Params> || ...);

template <class V>
constexpr bool VALUE_NEEDS_SELF = Value<V>::NEEDS_SELF;
// Inline: an explicit specialization is not a template, and clang gives it one definition per file.
template <>
inline constexpr bool VALUE_NEEDS_SELF<void> = false;
template <class Result, class... Params>
constexpr bool NEEDS_SELF = VALUE_NEEDS_SELF<Result> || (VALUE_NEEDS_SELF<Stored<Params>> || ...);

// Whether signature is name followed by "__", a direction letter and a type code for each parameter.
template <class Class, class Result, class... Params>
constexpr bool SignatureDescribes(std::string_view signature, std::string_view name,
                                  Result (Class::*)(Params...)) {
    bool describes = StripPrefix(signature, name);
    ((describes = describes && StripPrefix(signature, IS_OUT<Params> ? "__O" : "__I") &&
                  StripCode<Stored<Params>>(signature)),
     ...);
    return describes && signature.empty();
}

// Calls operation through proxy as the message tagged with the peer's tag for declarationIndex: writes the
// request values in order; a one-way call returns once the message is handed over, a call with a reply
// waits for it and reads the out-values in order, then the result. A reply value that cannot be read
// throws "ProtocolError extracting return value"; out-values read before it keep what was read.
// Any thread.
template <std::int16_t DECLARATION_INDEX, class Class, class Result, class... Params, class... Args>
Result Send(const dom::ProxyObject& proxy, Result (Class::*)(Params...), Args&... args) {
    static_assert(sizeof...(Params) == sizeof...(Args));
    static_assert(WELL_FORMED<Result, Params...>, "out-values travel only in the reply to a result");
    dom::MessageWriter writer = proxy.StartNewMessage(proxy.Rebind(DECLARATION_INDEX));
    (
        [&] {
            if constexpr (!IS_OUT<Params>) {
                Value<Stored<Params>>::Push(&proxy, args, writer);
            }
        }(),
        ...);
    if constexpr (!HAS_REPLY<Result, Params...>) {
        writer.ClearNeedsReplyFlag();
        proxy.DeliverMessage(writer.FinaliseMessage());
    } else {
        writer.MarkNeedsReplyFlag();
        const dom::MessagePtr message = writer.FinaliseMessage();
        proxy.DeliverMessage(message);
        dom::MessageReader reader(message);
        const bool outValuesRead = ([&] {
            if constexpr (IS_OUT<Params>) {
                return Value<Stored<Params>>::Read(&proxy, reader, args);
            } else {
                return true;
            }
        }() && ...);
        if (!outValuesRead) {
            ThrowMissingReplyValue(*message);
        }
        Result result{};
        if (!Value<Result>::Read(&proxy, reader, result)) {
            ThrowMissingReplyValue(*message);
        }
        return result;
    }
}

// What Decode calls with the request values right before the operation: by default nothing.
struct NoHook {
    void operator()(const auto&...) const {}
};

// Reads the request values of operation from message in order, hands them to before, and calls the
// operation on target. A one-way operation then loses the message's needs-reply flag; one with a reply
// answers with the out-values in order, then the result. False when a value could not be read (or there is
// no self to read a handle with): neither before nor the operation has been called, and whatever was read
// is released on return. Exceptions from the operation pass on. The receiving queue's thread only.

template <class Class, class Result, class... Params, class Before = NoHook>
bool Decode(Result (Class::*operation)(Params...), const dom::MessagePtr& message, Class& target,
            const dom::ManagedObject* self, const Before& before = {}) {
    if (NEEDS_SELF<Result, Params...> && !self) {
        return false;
    }
    dom::MessageReader reader(message);
    std::tuple<Stored<Params>...> values{};
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        const bool requestRead = ([&] {
            if constexpr (IS_OUT<Params>) {
                return true;
            } else {
                return Value<Stored<Params>>::Read(self, reader, std::get<I>(values));
            }
        }() && ...);
        if (!requestRead) {
            return false;
        }
        before(std::get<I>(values)...);
        if constexpr (!HAS_REPLY<Result, Params...>) {
            (target.*operation)(std::get<I>(values)...);
            // Whatever the sender asked for, there is no reply to wait for.
            message->ClearNeedsReplyFlag();
        } else {
            const Result result = (target.*operation)(std::get<I>(values)...);
            dom::MessageWriter writer;
            writer.StartMessageReply(message);
            (
                [&] {
                    if constexpr (IS_OUT<Params>) {
                        Value<Stored<Params>>::Push(self, std::get<I>(values), writer);
                    }
                }(),
                ...);
            Value<Result>::Push(self, result, writer);
            // The finished reply is the received message itself, which the waiting sender reads.
            writer.FinaliseMessage();
        }
        return true;
    }
    (std::index_sequence_for<Params...>{});
}

}  // namespace workflow::remote
