// UTF-8 inside the program, UTF-16 at the Win32 boundary.
#pragma once
#include "utf16/utf16.h"

namespace zk::win32 {
using utf16::Utf8;
using utf16::Wide;
}  // namespace zk::win32
