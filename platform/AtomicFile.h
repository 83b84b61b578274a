#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace pelan {

// Replaces the file at `path` with `bytes` so that a reader sees either the old or the new contents, never a
// truncated file: the bytes go to a temporary file in the same folder, are flushed to disk, and the temporary file
// is renamed over the target. Returns 0 on success, else the errno of the step that failed (the target is then
// unchanged and the temporary file removed).
int writeFileAtomically(const std::string& path, std::string_view bytes);

// Test seam: called with the temporary file's path after it is complete and before the rename. A test can end the
// process there to stand for a crash; returning false abandons the write as a failure. An empty hook removes it.
using BeforeRenameHook = std::function<bool(const std::string& temporaryPath)>;
void setBeforeRenameHook(BeforeRenameHook hook);

} // namespace pelan
