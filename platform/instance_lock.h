// The instance lock's file and its release: for tests and for ending the program.
#pragma once

#include <QString>

namespace selvane::platform {

// Where the lock lives: $XDG_RUNTIME_DIR/selvane.lock, or a per-user name in the temporary
// directory when there is no runtime directory.
QString InstanceLockPath();
// The running instance's socket beside the lock: the same name ending in ".socket".
QString InstanceSocketPath();
// Gives the lock up (the program is ending).
void ReleaseInstanceLock();

}  // namespace selvane::platform
