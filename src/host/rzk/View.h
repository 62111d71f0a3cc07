#pragma once

#include <string>

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "rzk/PickFilter.h"
#include "rzk/Scene.h"
#include "rzk/Window.h"

namespace rzk {

// A view of the host: its type symbol, window, scene, pick filter, status bar and activation.
class RZHOST_API View : public virtual du::RefCounted {
public:
    explicit View(const du::Symbol& type = du::Symbol::EMPTY) : type_(type) {}

    const du::Symbol& GetViewType() const { return type_; }
    void GetWindow(du::SmartPtr<Window>& out) const { out = window_; }
    void GetScene(du::SmartPtr<Scene>& out) const { out = scene_; }
    du::SmartPtr<PickFilter> GetPickFilter() const { return pickFilter_; }
    virtual void SetStatusMessage(const std::string& text);
    bool IsActive() const { return active_; }

    void SetWindow(const du::SmartPtr<Window>& window) { window_ = window; }
    void SetScene(const du::SmartPtr<Scene>& scene) { scene_ = scene; }
    void SetPickFilter(const du::SmartPtr<PickFilter>& filter) { pickFilter_ = filter; }
    void SetActive(bool active) { active_ = active; }

private:
    du::Symbol type_;
    du::SmartPtr<Window> window_;
    du::SmartPtr<Scene> scene_;
    du::SmartPtr<PickFilter> pickFilter_;
    bool active_ = true;
};

}  // namespace rzk
