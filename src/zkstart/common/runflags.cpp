#include "common/runflags.h"

namespace zk {
uint8_t CopyDone = 0;
uint8_t MenuOffered = 0;
}  // namespace zk
