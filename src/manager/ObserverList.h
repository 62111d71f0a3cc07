#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "du/SmartPtr.h"

namespace workflow {

// Registered observers in registration order, duplicates allowed. A walk calls the observers registered
// when it began; an observer deregistered during a walk (by itself or another) is skipped from then on and
// its reference is dropped only when no walk runs, so each registration is called at most once per event
// and never after its release. Walks may nest (an observer's callback may cause another event).
template <class Observer>
class ObserverList {
public:
    void Add(const du::SmartPtr<Observer>& observer) { entries_.push_back(observer); }

    // Removes every registration of observer.
    void Remove(const Observer* observer) {
        std::vector<du::SmartPtr<Observer>> released;
        for (auto& entry : entries_) {
            if (entry.Get() == observer) {
                Drop(entry, released);
            }
        }
        Compact();
    }

    void Clear() {
        std::vector<du::SmartPtr<Observer>> released;
        for (auto& entry : entries_) {
            Drop(entry, released);
        }
        Compact();
    }

    bool Empty() const { return entries_.empty(); }

    // Calls call(observer) for every registration present when the walk began and still present.
    template <class Call>
    void ForEach(Call&& call) {
        ++walkDepth_;
        struct Leave {
            ObserverList& list;
            ~Leave() {
                if (--list.walkDepth_ == 0) {
                    list.Compact();
                    // Released from a list of its own: a destructor may register, deregister or walk again.
                    std::vector<du::SmartPtr<Observer>> released;
                    released.swap(list.retired_);
                }
            }
        } leave{*this};
        const std::size_t count = entries_.size();
        for (std::size_t i = 0; i < count && i < entries_.size(); ++i) {
            if (Observer* observer = entries_[i].Get()) {
                call(*observer);
            }
        }
    }

private:
    // Empties an entry. Its reference goes to the walk's retired list while a walk runs, else to released,
    // which the caller drops once the list is consistent again: an observer's destructor may call back.
    void Drop(du::SmartPtr<Observer>& entry, std::vector<du::SmartPtr<Observer>>& released) {
        if (!entry) {
            return;
        }
        (walkDepth_ > 0 ? retired_ : released).push_back(std::move(entry));
    }

    // Null entries are only erased when no walk runs, so walk indices stay valid.
    void Compact() {
        if (walkDepth_ == 0) {
            entries_.erase(std::remove(entries_.begin(), entries_.end(), nullptr), entries_.end());
        }
    }

    std::vector<du::SmartPtr<Observer>> entries_;
    std::vector<du::SmartPtr<Observer>> retired_;
    int walkDepth_ = 0;
};

}  // namespace workflow
