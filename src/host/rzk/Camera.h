#pragma once

#include <mutex>

#include "du/HostExport.h"
#include "du/RefCounted.h"

namespace rzk {

// A view's camera, reduced to what navigation changes: the angles it looks from (yaw and pitch in
// degrees), a zoom factor (1 shows the model at its own size) and a pan offset in window pixels. The
// stand-in draws nothing; workflows move the camera and hosts or tests read it back:
//
//     du::SmartPtr<rzk::Camera> camera = view->GetCamera();
//     camera->SetAngles(camera->GetYaw() + 10, camera->GetPitch());
class RZHOST_API Camera : public virtual du::RefCounted {
public:
    Camera();
    ~Camera() override;

    // Any thread.
    double GetYaw() const;
    // Any thread.
    double GetPitch() const;
    // Any thread.
    void SetAngles(double yaw, double pitch);
    // Any thread.
    double GetZoom() const;
    // Any thread.
    void SetZoom(double zoom);
    // Any thread.
    double GetPanX() const;
    // Any thread.
    double GetPanY() const;
    // Any thread.
    void SetPan(double x, double y);

private:
    mutable std::mutex lock_;
    double yaw_ = 0;
    double pitch_ = 0;
    double zoom_ = 1;
    double panX_ = 0;
    double panY_ = 0;
};

}  // namespace rzk
