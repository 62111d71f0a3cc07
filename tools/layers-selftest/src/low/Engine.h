#pragma once

class Engine {
public:
    void Start();
    void Stop();
};
