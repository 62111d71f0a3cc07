#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "du/SmartPtr.h"
#include "workflows/Workflow.h"

namespace workflow {

// The manager's workflows, one per priority, kept contiguous and sorted from the highest priority down so
// that a dispatch walks an array.
//
// A walk (a dispatch) calls into workflows that may install or remove workflows, the one being called
// included. Two rules keep that safe and cheap:
// - every change bumps Version(), so a walk re-reads its position only when something changed;
// - each running walk records, in a Walk frame on its own stack, which workflow it is calling. A workflow
//   removed while a walk is calling it is kept by that walk (the outermost one calling it) until its
//   handler has returned; any other removed workflow is released at once. No handler's object is destroyed
//   while it runs, and none lives longer than it must, without a counted reference per visited workflow.
class WorkflowStack {
public:
    struct Entry {
        unsigned int priority;
        du::SmartPtr<Workflow> workflow;
        std::uint64_t serial;  // which installation put the workflow here
    };
    using iterator = std::vector<Entry>::iterator;

    // One running walk. Lives on the walker's stack; walks nest innermost-first through outer_.
    class Walk {
    public:
        // The frame links itself into the stack for exactly its own lifetime; the destructor unlinks it.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdangling-pointer"
#endif
        explicit Walk(WorkflowStack& stack) : stack_(stack), outer_(stack.innermost_) {
            stack.innermost_ = this;
        }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
        ~Walk() {
            stack_.innermost_ = outer_;
        }
        Walk(const Walk&) = delete;
        Walk& operator=(const Walk&) = delete;

        // Marks workflow as being called by this walk.
        void Calling(Workflow* workflow) {
            calling_ = workflow;
        }
        // The call has returned: a workflow removed meanwhile is released here. A walk that calls the next
        // workflow at once may skip this when the stack did not change, since then nothing was removed.
        void Returned() {
            calling_ = nullptr;
            if (kept_) {
                kept_ = nullptr;
            }
        }

    private:
        friend class WorkflowStack;
        WorkflowStack& stack_;
        Walk* const outer_;
        Workflow* calling_ = nullptr;
        du::SmartPtr<Workflow> kept_;
    };

    WorkflowStack();
    ~WorkflowStack();

    bool Empty() const {
        return entries_.empty();
    }
    iterator begin() {
        return entries_.begin();
    }
    iterator end() {
        return entries_.end();
    }
    // The entries as an array, highest priority first; valid until the stack changes.
    Entry* First() {
        return entries_.data();
    }
    Entry* Last() {
        return entries_.data() + entries_.size();
    }
    // The entries, highest priority first, for readers that only look.
    const std::vector<Entry>& Entries() const {
        return entries_;
    }
    iterator Find(unsigned int priority);
    // The entry with the highest priority below priority, from the stack as it is now (Last() when none).
    Entry* Below(unsigned int priority);
    std::uint64_t Version() const {
        return version_;
    }
    // True while the installation serial still holds workflow at priority.
    bool Holds(unsigned int priority, const Workflow* workflow, std::uint64_t serial);

    // Enters workflow at priority, which must be free; answers the installation's serial.
    std::uint64_t Enter(unsigned int priority, const du::SmartPtr<Workflow>& workflow);
    // Removes the entry and hands its reference to the caller, who must pass it to Retire when done.
    du::SmartPtr<Workflow> Erase(iterator entry);
    // Drops a removed workflow's reference: to the outermost walk calling it, which releases it when the
    // call returns, or now when no walk is calling it.
    void Retire(du::SmartPtr<Workflow>&& workflow);

private:
    std::vector<Entry> entries_;
    std::uint64_t version_ = 0;
    std::uint64_t nextSerial_ = 0;
    Walk* innermost_ = nullptr;
};

}  // namespace workflow
