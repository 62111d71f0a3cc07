#include "manager/ExclusiveClaims.h"

#include <vector>

#include "workflows/Workflow.h"

namespace workflow {

ExclusiveClaims::ExclusiveClaims() = default;
ExclusiveClaims::~ExclusiveClaims() = default;

du::SmartPtr<Workflow> ExclusiveClaims::Find(const du::Symbol& name) const {
    auto found = claims_.find(name);
    return found == claims_.end() ? du::SmartPtr<Workflow>() : found->second;
}

bool ExclusiveClaims::Claim(const du::SmartPtr<Workflow>& claimant, const du::Symbol* names, int count) {
    if (count < 1) {
        return true;
    }
    for (int i = 0; i < count; ++i) {
        auto held = claims_.find(names[i]);
        if (held != claims_.end() && held->second != claimant) {
            return false;
        }
    }
    for (int i = 0; i < count; ++i) {
        claims_[names[i]] = claimant;
    }
    return true;
}

void ExclusiveClaims::Release(const Workflow* claimant) {
    // Collect first, then erase: releasing a claim may release the last reference to the claimant.
    std::vector<du::SmartPtr<Workflow>> released;
    for (auto it = claims_.begin(); it != claims_.end();) {
        if (it->second.Get() == claimant) {
            released.push_back(std::move(it->second));
            it = claims_.erase(it);
        } else {
            ++it;
        }
    }
}

bool ExclusiveClaims::Holds(const Workflow* workflow) const {
    for (const auto& [name, holder] : claims_) {
        if (holder.Get() == workflow) {
            return true;
        }
    }
    return false;
}

void ExclusiveClaims::Clear() {
    claims_.clear();
}

}  // namespace workflow
