#pragma once

#include "low/Engine.h"

class Driver {
public:
    void Drive(Engine& engine);
};
