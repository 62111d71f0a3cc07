#pragma once

#include "du/HostExport.h"
#include "rzk/Scene.h"

namespace rzk {

// The scene of a 3D view: shape instances placed in a world.
class RZHOST_API ShapeScene : public Scene {};

}  // namespace rzk
