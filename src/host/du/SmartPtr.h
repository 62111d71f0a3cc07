#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

#include "du/RefCounted.h"

namespace du {

// Intrusive owning pointer to a RefCounted object (T may be any class with RefCounted as a base,
// virtual or not). Copies add a reference, destruction removes one; moves transfer it. Threads: one
// SmartPtr object is not for concurrent writers (like std::shared_ptr); distinct SmartPtrs to one object may
// be copied and dropped on any threads, the count being atomic.
template <class T>
class SmartPtr {
public:
    using element_type = T;

    SmartPtr() noexcept = default;
    SmartPtr(std::nullptr_t) noexcept {}            // NOLINT(google-explicit-constructor)
    SmartPtr(T* p) noexcept : p_(p) { Acquire(); }  // NOLINT(google-explicit-constructor)
    SmartPtr(const SmartPtr& other) noexcept : p_(other.p_) { Acquire(); }
    SmartPtr(SmartPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    SmartPtr(const SmartPtr<U>& other) noexcept : p_(other.Get()) {  // NOLINT(google-explicit-constructor)
        Acquire();
    }
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    SmartPtr(SmartPtr<U>&& other) noexcept : p_(other.Release()) {}  // NOLINT(google-explicit-constructor)
    ~SmartPtr() { Drop(); }

    SmartPtr& operator=(const SmartPtr& other) noexcept {
        Reset(other.p_);
        return *this;
    }
    SmartPtr& operator=(SmartPtr&& other) noexcept {
        if (this != &other) {
            T* old = p_;
            p_ = other.p_;
            other.p_ = nullptr;
            if (old) {
                old->RemoveReference(this);
            }
        }
        return *this;
    }
    SmartPtr& operator=(T* p) noexcept {
        Reset(p);
        return *this;
    }
    SmartPtr& operator=(std::nullptr_t) noexcept {
        Reset();
        return *this;
    }

    // Takes a new reference to p before releasing the old one, so self-assignment is safe.
    void Reset(T* p = nullptr) noexcept {
        if (p) {
            p->AddReference(this);
        }
        T* old = p_;
        p_ = p;
        if (old) {
            old->RemoveReference(this);
        }
    }
    // Gives up ownership without removing the reference.
    T* Release() noexcept {
        T* p = p_;
        p_ = nullptr;
        return p;
    }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    bool IsNull() const noexcept { return p_ == nullptr; }

    template <class U>
    bool operator==(const SmartPtr<U>& other) const noexcept {
        return p_ == other.Get();
    }
    bool operator==(const T* p) const noexcept { return p_ == p; }
    bool operator==(std::nullptr_t) const noexcept { return p_ == nullptr; }

private:
    void Acquire() noexcept {
        if (p_) {
            p_->AddReference(this);
        }
    }
    void Drop() noexcept {
        if (p_) {
            T* p = p_;
            p_ = nullptr;
            p->RemoveReference(this);
        }
    }

    T* p_ = nullptr;
};

// A counted pointer to a const object.
template <class T>
using ConstSmartPtr = SmartPtr<const T>;

// A new reference to the same object seen as U, or null when it is not a U.
template <class U, class T>
SmartPtr<U> DynamicPtrCast(const SmartPtr<T>& p) noexcept {
    return SmartPtr<U>(dynamic_cast<U*>(p.Get()));
}

}  // namespace du
