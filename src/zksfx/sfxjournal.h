// A self-extractor whose last add was cut short (the archiver's undo
// journal lies beside it) is read as it was before that add. The running
// program cannot rewrite its own file, so the old bytes are read from the
// journal instead of being put back.
#pragma once
#include <memory>
#include <string>

#include "zksfx/sfxformat.h"

namespace zksfx {

// The file as it was before the interrupted add, or nullptr when
// `journalBytes` (the journal's content) undoes nothing in `file`: no
// journal, one cut short (the file was not touched yet), or one written
// for another file.
std::unique_ptr<Source> UndoneView(Source& file, const std::string& journalBytes);

}  // namespace zksfx
