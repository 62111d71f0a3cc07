#include "high/Driver.h"

void Driver::Drive(Engine& engine) {
    engine.Start();
}

// The break: the low layer's class now needs this layer to link.
void Engine::Stop() {}
