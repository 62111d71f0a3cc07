#pragma once

#include <map>

#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace workflow {

class Workflow;

// Which workflow receives a message name exclusively, ahead of the stack walk. Claims are made
// all-or-nothing and names compare by identity.
class ExclusiveClaims {
public:
    ExclusiveClaims();
    ~ExclusiveClaims();

    bool Empty() const { return claims_.empty(); }
    // The claimant of name, or null.
    du::SmartPtr<Workflow> Find(const du::Symbol& name) const;
    // Claims every name for claimant; false, changing nothing, when another workflow holds one of them.
    bool Claim(const du::SmartPtr<Workflow>& claimant, const du::Symbol* names, int count);
    // Drops every claim of claimant; other workflows' claims stay.
    void Release(const Workflow* claimant);
    bool Holds(const Workflow* workflow) const;
    void Clear();

private:
    std::map<du::Symbol, du::SmartPtr<Workflow>> claims_;
};

}  // namespace workflow
