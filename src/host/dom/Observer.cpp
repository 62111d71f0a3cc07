#include "dom/Observer.h"

namespace dom {

Observer::Observer() = default;
Observer::~Observer() = default;

}  // namespace dom
