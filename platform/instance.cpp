// One instance per user: a lock file in the user's runtime directory, held while the program
// runs. The lock records the holder's process id, so a lock left by a killed or crashed
// instance is recognised as stale and taken over. Beside the lock the running instance listens
// on a local socket, through which a later start asks it to show its windows.
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include "platform/instance_lock.h"
#include "platform/platform.h"

namespace selvane::platform {
namespace {
QLockFile* g_lock = nullptr;  // held until the process ends
QLocalServer* g_server = nullptr;
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
const QByteArray kShowAnswer = QByteArrayLiteral("shown\n");
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

QString InstanceSocketPath() {
  QString path = InstanceLockPath();
  path.chop(5);  // ".lock"
  return path + QStringLiteral(".socket");
}

void ListenForLaterStarts(std::function<void()> show, std::chrono::milliseconds peerDeadline) {
  if (!g_lock || g_server) return;
  // Only the lock's holder gets here: a socket file still there was left by a killed instance.
  QLocalServer::removeServer(InstanceSocketPath());
  auto* server = new QLocalServer(QCoreApplication::instance());
  server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server->listen(InstanceSocketPath())) {
    delete server;
    return;
  }
  g_server = server;
  QObject::connect(server, &QLocalServer::newConnection, server, [server, show, peerDeadline] {
    while (QLocalSocket* peer = server->nextPendingConnection()) {
      QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
      // A later start sends its line at once: a peer still silent, or short of a newline, when
      // the deadline passes is not one of ours and would otherwise stay connected for good.
      auto* deadline = new QTimer(peer);
      deadline->setSingleShot(true);
      QObject::connect(deadline, &QTimer::timeout, peer, [peer] {
        peer->abort();
        peer->deleteLater();
      });
      deadline->start(peerDeadline);
      QObject::connect(peer, &QLocalSocket::readyRead, peer, [peer, show, deadline] {
        if (!peer->canReadLine()) {
          // A request is one short line: anything longer is not one of ours.
          if (peer->bytesAvailable() > 64) peer->abort();
          return;
        }
        deadline->stop();
        const bool asked = peer->readLine(64) == kShowRequest;
        if (asked && show) show();
        peer->write(asked ? kShowAnswer : QByteArrayLiteral("?\n"));
        peer->disconnectFromServer();
      });
    }
  });
}

bool AskRunningInstanceToShow(int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(InstanceSocketPath());
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(kShowRequest);
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  QByteArray answer;
  while (!answer.endsWith('\n') && socket.waitForReadyRead(timeoutMs)) answer += socket.readAll();
  return answer == kShowAnswer;
}

void ReleaseInstanceLock() {
  if (g_server) {
    g_server->close();  // removes the socket file
    delete g_server;
    g_server = nullptr;
  }
  if (!g_lock) return;
  g_lock->unlock();
  delete g_lock;
  g_lock = nullptr;
}

}  // namespace selvane::platform
