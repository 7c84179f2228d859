// A self-extractor whose last add was cut short (the undo record lies
// beside it) is read as it was before that add. The running program cannot
// rewrite its own file, so the old bytes come from the record instead of
// being put back.
#pragma once
#include <memory>
#include <string>

#include "zipundo/undo.h"
#include "zksfx/sfxformat.h"

namespace zksfx {

// `file` (the archive at `path`) as it was before an add that was cut
// short, or nullptr when there is nothing to undo: no record, one cut short
// itself (the file was not touched yet), or one written for another file.
// `why` is set when the record cannot be read; Busy: another program is
// adding to the archive right now.
std::unique_ptr<Source> UndoneView(Source& file, zipundo::Files& files, const std::string& path,
                                   zipundo::Reason& why);

// A source as a read-only file for the undo.
std::unique_ptr<zipundo::File> ReadOnlyFile(std::unique_ptr<Source> source);

}  // namespace zksfx
