// The two byte flags that pass from the setup to the launcher during a run.
#pragma once
#include <cstdint>

namespace zk {
extern uint8_t CopyDone;
extern uint8_t MenuOffered;
}  // namespace zk
