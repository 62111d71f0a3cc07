#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "rzk/Camera.h"
#include "rzk/ObserverRegistry.h"
#include "rzk/PickFilter.h"
#include "rzk/PrintPreview.h"
#include "rzk/Scene.h"
#include "rzk/SharedSlot.h"
#include "rzk/Window.h"

namespace rzk {

class ShapeViewObserver;
class DrawingViewObserver;

// A view of the host: its type symbol, window, scene, pick filter, print preview, status bar and
// activation. A host application (or a test) builds it and sets the parts it has; every part may be
// absent. The status bar keeps every text it was given, so that the texts can be read back:
//
//     du::SmartPtr<rzk::View> view(new rzk::ShapeView);
//     view->SetWindow(new rzk::Window);
//     view->SetScene(new rzk::ShapeScene);
//     view->SetStatusMessage("Pick a face");
//     view->GetStatusMessages();  // {"Pick a face"}
//
// A view is also the source of its change events (projection, navigation settings, print preview), posted
// with the Post calls to every observer registered by ShapeView or DrawingView::RegisterObserver (see
// ViewObserver).
class RZHOST_API View : public virtual du::RefCounted {
public:
    explicit View(const du::Symbol& type = du::Symbol::EMPTY);
    ~View() override;

    // The symbol naming the kind of view (ShapeView::ACTOR_TYPE, ...), fixed at construction. Any thread.
    const du::Symbol& GetViewType() const { return type_; }
    // Fills out with the window, null when there is none. Any thread.
    void GetWindow(du::SmartPtr<Window>& out) const { out = window_.Get(); }
    // Fills out with the scene, null when there is none. Any thread.
    void GetScene(du::SmartPtr<Scene>& out) const { out = scene_.Get(); }
    // The pick filter, null when there is none. Any thread.
    du::SmartPtr<PickFilter> GetPickFilter() const { return pickFilter_.Get(); }
    // True while the view shows a print preview, that is while it has a print-preview object. Any thread.
    bool IsPrintPreview() const { return !printPreview_.Get().IsNull(); }
    // The print preview, null when the view is not in print preview. Any thread.
    du::SmartPtr<PrintPreview> GetPrintPreview() const { return printPreview_.Get(); }
    // Shows text in the view's status bar. Any thread.
    virtual void SetStatusMessage(const std::string& text);
    // The view's camera, made with the view and kept for its life. Any thread.
    const du::SmartPtr<Camera>& GetCamera() const { return camera_; }
    // True when the view takes input; a new view is active. Any thread.
    bool IsActive() const { return active_.load(std::memory_order_relaxed); }

    // Any thread.
    void SetWindow(const du::SmartPtr<Window>& window) { window_.Set(window); }
    // Any thread.
    void SetScene(const du::SmartPtr<Scene>& scene) { scene_.Set(scene); }
    // Any thread.
    void SetPickFilter(const du::SmartPtr<PickFilter>& filter) { pickFilter_.Set(filter); }
    // Enters print preview with preview, or leaves it with null. Any thread.
    void SetPrintPreview(const du::SmartPtr<PrintPreview>& preview) { printPreview_.Set(preview); }
    // Any thread.
    void SetActive(bool active) { active_.store(active, std::memory_order_relaxed); }

    // The host's answer to "what is drawn at this window point": picker gives the shape instance id there,
    // 0 for none. A host that renders sets one; the stand-in scene itself holds no geometry. Any thread.
    void SetInstancePicker(std::function<unsigned int(int x, int y)> picker);
    // Asks the picker about (x, y); false (instance untouched) when the host set none. Any thread.
    bool PickInstance(int x, int y, unsigned int& instance) const;

    // A stand-in extension for box selection, not part of the host's interface: the host's answer to
    // "which shape instances are drawn inside this window rectangle", given its corners (both included, in
    // any order); picker answers each id once. Any thread.
    void SetRegionPicker(std::function<std::vector<unsigned int>(int x0, int y0, int x1, int y1)> picker);
    // Asks the region picker about the rectangle; false (instances untouched) when the host set none. Any
    // thread.
    bool PickInstancesInside(int x0, int y0, int x1, int y1, std::vector<unsigned int>& instances) const;

    // A stand-in extension for fitting, not part of the host's interface: where shape instances are drawn
    // with the camera's current angles at zoom 1 and no pan, as a rectangle in window pixels measured from
    // the centre of the view's drawing area (x right, y down), with that area's size. The camera's pan is
    // in window pixels and its zoom scales about that centre, so a workflow can frame the rectangle.
    struct InstanceBounds {
        double left = 0;
        double top = 0;
        double right = 0;
        double bottom = 0;
        double areaWidth = 0;
        double areaHeight = 0;
    };
    // provider fills the bounds of the instances with the given ids (all of them when ids is empty) and
    // answers false when it knows none of them. Any thread.
    void SetBoundsProvider(
        std::function<bool(const std::vector<unsigned int>& ids, InstanceBounds&)> provider);
    // Asks the bounds provider; false (bounds untouched) when the host set none or it knows none of ids.
    // Any thread.
    bool GetInstanceBounds(const std::vector<unsigned int>& ids, InstanceBounds& bounds) const;

    // Every text given to SetStatusMessage, oldest first. Any thread.
    std::vector<std::string> GetStatusMessages() const;
    // The texts given to SetStatusMessage after the first `seen` ones, oldest first: what a host that
    // looks after every step has not seen yet, without a copy of the whole history each time. Any thread.
    std::vector<std::string> GetStatusMessagesAfter(std::size_t seen) const;
    // The text the status bar shows: the last one given, "" before the first. Any thread.
    std::string GetStatusMessage() const;

    // Every observer gets DetachSubject, and the list is emptied. Any thread.
    void DetachObservers();
    // Any thread.
    std::size_t GetObserverCount() const;
    // Change events, each posted to every registered observer. Any thread.
    void PostProjection();
    void PostNavigationSettingsChange();
    void PostPrintPreviewChange();

protected:
    // The observers registered with this view; subclasses add the registration of their observer class.
    const du::SmartPtr<ObserverRegistry>& GetObserverRegistry() const { return observers_; }

private:
    const du::Symbol type_;
    const du::SmartPtr<Camera> camera_;
    SharedSlot<Window> window_;
    SharedSlot<Scene> scene_;
    SharedSlot<PickFilter> pickFilter_;
    SharedSlot<PrintPreview> printPreview_;
    std::atomic<bool> active_{true};
    mutable std::mutex statusLock_;
    std::vector<std::string> statusMessages_;
    mutable std::mutex pickerLock_;
    std::function<unsigned int(int, int)> picker_;
    std::function<std::vector<unsigned int>(int, int, int, int)> regionPicker_;
    std::function<bool(const std::vector<unsigned int>&, InstanceBounds&)> boundsProvider_;
    const du::SmartPtr<ObserverRegistry> observers_;
};

// A view of a 3D model.
class RZHOST_API ShapeView : public View {
public:
    static const du::Symbol ACTOR_TYPE;

    ShapeView();

    // Puts observer on this view's list, leaving the subject it watched before; option is kept for the
    // host's interface. The observer's queue thread only.
    void RegisterObserver(ShapeViewObserver& observer, bool option);
};

// A view of a 2D drawing.
class RZHOST_API DrawingView : public View {
public:
    static const du::Symbol ACTOR_TYPE;

    DrawingView();

    // Puts observer on this view's list, leaving the subject it watched before. The observer's queue thread
    // only.
    void RegisterObserver(DrawingViewObserver& observer);
};

// A view of a raster image.
class RZHOST_API ImageView : public View {
public:
    static const du::Symbol ACTOR_TYPE;

    ImageView();
};

}  // namespace rzk
