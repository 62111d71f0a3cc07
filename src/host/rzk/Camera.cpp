#include "rzk/Camera.h"

namespace rzk {

Camera::Camera() = default;

Camera::~Camera() = default;

double Camera::GetYaw() const {
    std::lock_guard hold(lock_);
    return yaw_;
}

double Camera::GetPitch() const {
    std::lock_guard hold(lock_);
    return pitch_;
}

void Camera::SetAngles(double yaw, double pitch) {
    std::lock_guard hold(lock_);
    yaw_ = yaw;
    pitch_ = pitch;
}

double Camera::GetZoom() const {
    std::lock_guard hold(lock_);
    return zoom_;
}

void Camera::SetZoom(double zoom) {
    std::lock_guard hold(lock_);
    zoom_ = zoom;
}

double Camera::GetPanX() const {
    std::lock_guard hold(lock_);
    return panX_;
}

double Camera::GetPanY() const {
    std::lock_guard hold(lock_);
    return panY_;
}

void Camera::SetPan(double x, double y) {
    std::lock_guard hold(lock_);
    panX_ = x;
    panY_ = y;
}

}  // namespace rzk
