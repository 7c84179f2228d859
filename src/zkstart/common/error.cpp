#include "common/error.h"

namespace zk {

InOutError::InOutError(int code) : Error("E/A-Fehler " + std::to_string(code)), code_(code) {}

}  // namespace zk
