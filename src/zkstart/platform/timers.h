// Window timers: callbacks on the user-interface thread.
#pragma once
#include <functional>

namespace zk::platform {

class Timers {
public:
    virtual ~Timers() = default;
    // Calls fn every intervalMs until stopped; returns an id above 0.
    virtual int Start(unsigned intervalMs, std::function<void()> fn) = 0;
    virtual void Stop(int id) = 0;
};

}  // namespace zk::platform
