#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "du/SmartPtr.h"

namespace workflow {

class Workflow;

// The manager's workflows, one per priority, walked from the highest priority down.
//
// A walk (a dispatch) calls into workflows that may install or remove workflows, the one being called
// included. Two rules keep that safe and cheap:
// - every change bumps Version(), so a walk re-reads its position only when something changed;
// - a workflow removed while any walk runs is retired, not released: its reference is kept until the
//   outermost walk has ended, so no handler's object is destroyed while it is still running. Outside a
//   walk, removal releases at once.
class WorkflowStack {
public:
    using Map = std::map<unsigned int, du::SmartPtr<Workflow>, std::greater<unsigned int>>;
    using iterator = Map::iterator;

    // Marks a walk in progress for the lifetime of the scope.
    class WalkScope {
    public:
        explicit WalkScope(WorkflowStack& stack) : stack_(stack) { ++stack_.walkDepth_; }
        ~WalkScope();
        WalkScope(const WalkScope&) = delete;
        WalkScope& operator=(const WalkScope&) = delete;

    private:
        WorkflowStack& stack_;
    };

    WorkflowStack();
    ~WorkflowStack();

    bool Empty() const { return entries_.empty(); }
    iterator begin() { return entries_.begin(); }
    iterator end() { return entries_.end(); }
    iterator Find(unsigned int priority) { return entries_.find(priority); }
    // The entry with the highest priority below priority, from the stack as it is now.
    iterator FirstBelow(unsigned int priority) { return entries_.upper_bound(priority); }
    std::uint64_t Version() const { return version_; }

    // Enters workflow at priority; the priority must be free.
    void Enter(unsigned int priority, const du::SmartPtr<Workflow>& workflow);
    // Removes the entry and hands its reference to the caller, who must pass it to Retire when done.
    du::SmartPtr<Workflow> Erase(iterator entry);
    // Drops a removed workflow's reference now, or at the end of the outermost walk if one runs.
    void Retire(du::SmartPtr<Workflow>&& workflow);

private:
    Map entries_;
    std::uint64_t version_ = 0;
    int walkDepth_ = 0;
    std::vector<du::SmartPtr<Workflow>> retired_;
};

}  // namespace workflow
