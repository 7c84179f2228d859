// Window timers on a clock that tests advance.
#pragma once
#include <functional>
#include <map>

#include "platform/timers.h"

namespace zk::platform {

// Time moves only when a test advances it.
class FakeTimers : public Timers {
public:
    int Start(unsigned intervalMs, std::function<void()> fn) override;
    void Stop(int id) override;
    // Fires every timer that falls due, in time order.
    void Advance(unsigned ms);
    bool Running(int id) const;
    size_t Count() const { return timers_.size(); }
    unsigned long long now = 0;

private:
    struct Entry {
        unsigned interval;
        unsigned long long due;
        std::function<void()> fn;
    };
    std::map<int, Entry> timers_;
    int next_ = 1;
};

}  // namespace zk::platform
