#include "platform/fake/fake_timers.h"

namespace zk::platform {

int FakeTimers::Start(unsigned intervalMs, std::function<void()> fn) {
    int id = next_++;
    timers_[id] = Entry{intervalMs, now + intervalMs, std::move(fn)};
    return id;
}

void FakeTimers::Stop(int id) { timers_.erase(id); }

bool FakeTimers::Running(int id) const { return timers_.count(id) != 0; }

void FakeTimers::Advance(unsigned ms) {
    const unsigned long long end = now + ms;
    for (;;) {
        int id = 0;
        unsigned long long due = end + 1;
        for (const auto& [k, e] : timers_)
            if (e.due < due) { due = e.due; id = k; }
        if (id == 0) break;
        now = due;
        auto fn = timers_[id].fn;  // the callback may stop or restart its timer
        timers_[id].due = now + (timers_[id].interval ? timers_[id].interval : 1);
        fn();
    }
    now = end;
}

}  // namespace zk::platform
