#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace pelan {

// Replaces the file at `path` with `bytes` so that a reader sees either the old or the new contents, never a
// truncated file: the bytes go to a temporary file in the same folder, are flushed to disk, and the temporary file
// is renamed over the target. Returns 0 on success, else the errno of the step that failed (the target is then
// unchanged and the temporary file removed).
//
// - A path that is a symbolic link is followed: the link's final target is replaced and the link stays, as text
//   editors do.
// - A new file is created with mode 0666 less the user's umask; a replaced file keeps its own permissions.
// - Temporary files that a crashed writer left in the folder are removed first (those of live processes stay).
int writeFileAtomically(const std::string& path, std::string_view bytes);

// The file a write to `path` lands in: `path` itself, or the final target when it is a chain of symbolic links.
std::string finalLinkTarget(const std::string& path);

// True when `name` (a file name without folder) is a temporary file of writeFileAtomically.
bool isAtomicTemporaryName(std::string_view name);

// Test seam: called with the temporary file's path after it is complete and before the rename. A test can end the
// process there to stand for a crash; returning false abandons the write as a failure. An empty hook removes it.
using BeforeRenameHook = std::function<bool(const std::string& temporaryPath)>;
void setBeforeRenameHook(BeforeRenameHook hook);

} // namespace pelan
