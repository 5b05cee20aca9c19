// One instance per user: a lock file in the user's runtime directory, held while the program
// runs. The lock records the holder's process id, so a lock left by a killed or crashed
// instance is recognised as stale and taken over.
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include "platform/instance_lock.h"
#include "platform/platform.h"

namespace selvane::platform {
namespace {
QLockFile* g_lock = nullptr;  // held until the process ends
}  // namespace

QString InstanceLockPath() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
    return QDir(runtime).filePath(QStringLiteral("selvane.lock"));
  // Without a runtime directory the temporary directory is shared by all users: the user id
  // keeps their locks apart.
  return QDir(QDir::tempPath())
      .filePath(QStringLiteral("selvane-%1.lock").arg(static_cast<qulonglong>(getuid())));
}

bool AnotherInstanceRunning() {
  if (g_lock) return false;
  auto* lock = new QLockFile(InstanceLockPath());
  // The program holds the lock for as long as it runs: only a dead holder makes it stale.
  lock->setStaleLockTime(0);
  if (lock->tryLock(0)) {
    g_lock = lock;
    return false;
  }
  const bool running = lock->error() == QLockFile::LockFailedError;
  delete lock;
  // A lock that cannot be made at all (no writable directory) must not keep the program from
  // running: it then runs without the check.
  return running;
}

void ReleaseInstanceLock() {
  if (!g_lock) return;
  g_lock->unlock();
  delete g_lock;
  g_lock = nullptr;
}

}  // namespace selvane::platform
