#include "low/Engine.h"

void Engine::Start() {}
