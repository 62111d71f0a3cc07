#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "manager/ManagerDiagnostics.h"
#include "manager/ObserverList.h"

namespace workflow {

class Workflow;
class WorkflowStack;

// The manager's routing observers. A dispatch asks Listening() once; only when it answers true does the
// dispatch run with a Route, which reports its steps. Module thread only.
class RoutingLog {
public:
    class Route;

    bool Listening() const { return listening_; }
    void Add(const du::SmartPtr<RoutingObserver>& observer);
    // Removes every registration of observer.
    void Remove(const RoutingObserver* observer);
    void Clear();

private:
    // A workflow of the stack as a logged walk last saw it.
    struct Pending {
        unsigned int priority;
        std::uint64_t serial;
        const Workflow* workflow;  // identity only: a removed workflow may be gone
        du::Symbol name;
    };

    void Emit(const RoutingStep& step);
    // An observer removed during a callback leaves the list when the callback returns.
    void Refresh() { listening_ = !observers_.Empty(); }

    ObserverList<RoutingObserver> observers_;
    bool listening_ = false;
    int depth_ = 0;  // logged dispatches running
    // The routes' buffers, kept between dispatches so that a logged dispatch allocates nothing once warm.
    std::vector<std::vector<Pending>> spare_;
};

// The steps of one logged dispatch, reported as the dispatch takes them. Lives on the dispatch's stack.
class RoutingLog::Route {
public:
    Route(RoutingLog& log, WorkflowStack& stack, const du::Symbol& message);
    ~Route();
    Route(const Route&) = delete;
    Route& operator=(const Route&) = delete;

    void Cancelling(std::size_t count);
    // Inside a handler's catch block: the exception the next Claimed or Offered reports.
    void Caught();
    void Claimed(const Workflow& claimant, bool consumed);
    // The walk starts: remembers the stack, to tell later which workflows a handler removed.
    void Walking();
    void Offered(unsigned int priority, const Workflow& workflow, bool consumed);
    // A handler changed the stack while the walk stood at priority: reports the workflows below it that
    // are gone, which the walk now passes over.
    void StackChanged(unsigned int priority);
    void Escaping(unsigned int priority, const Workflow& workflow);
    // Reports the end of the dispatch and answers consumed.
    bool Finish(bool consumed);

private:
    RoutingStep Step(RoutingStep::Kind kind) const;
    void Answer(RoutingStep::Kind kind, unsigned int priority, const Workflow& workflow, bool consumed);
    void Remember();

    RoutingLog& log_;
    WorkflowStack& stack_;
    du::Symbol message_;
    int depth_;
    bool threw_ = false;
    std::string exception_;
    std::vector<Pending> pending_;
};

// The dispatch's reports when nobody listens: nothing, compiled away.
struct Unrouted {
    void Cancelling(std::size_t) {}
    void Caught() {}
    void Claimed(const Workflow&, bool) {}
    void Walking() {}
    void Offered(unsigned int, const Workflow&, bool) {}
    void StackChanged(unsigned int) {}
    void Escaping(unsigned int, const Workflow&) {}
};

}  // namespace workflow
