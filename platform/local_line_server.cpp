#include "platform/local_line_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace selvane::platform {
namespace {

// The socket address of a path; false when the path does not fit.
bool Address(const QByteArray& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof address.sun_path)
    return false;
  std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
  return true;
}

// Waits until fd is ready for events, at most until deadline; false on a timeout or an error.
bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, events, 0};
    const int n = poll(&p, 1, static_cast<int>(left.count()));
    if (n > 0) return true;
    if (n == 0 || errno != EINTR) return false;
  }
}

}  // namespace

struct LocalLineServer::Peer {
  int fd = -1;
  std::unique_ptr<QSocketNotifier> notifier;
  std::unique_ptr<QTimer> deadline;
  QByteArray received;
};

LocalLineServer::LocalLineServer() = default;

LocalLineServer::~LocalLineServer() {
  Close();
}

bool LocalLineServer::Listen(const QString& path, Handler handler,
                             std::chrono::milliseconds peerDeadline) {
  if (fd_ >= 0) return false;
  const QByteArray name = QFile::encodeName(path);
  sockaddr_un address;
  if (!Address(name, address)) return false;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  // Made with the owner's rights alone, so that no other user can connect to it even for a
  // moment. The mask is the process's, but nothing else creates files while the program starts.
  const mode_t mask = umask(S_IRWXG | S_IRWXO);
  const bool bound = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  umask(mask);
  if (!bound || listen(fd, 8) != 0) {
    if (bound) unlink(name.constData());
    close(fd);
    return false;
  }
  fd_ = fd;
  path_ = name;
  handler_ = std::move(handler);
  peerDeadline_ = peerDeadline;
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                   [this] { Accept(); });
  return true;
}

void LocalLineServer::Close() {
  while (!peers_.empty()) Drop(peers_.back().get());
  if (fd_ < 0) return;
  notifier_.reset();
  close(fd_);
  fd_ = -1;
  unlink(path_.constData());
  path_.clear();
}

void LocalLineServer::Accept() {
  for (;;) {
    const int fd = accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // no more waiting (EAGAIN), or none can be taken now
    }
    auto peer = std::make_unique<Peer>();
    peer->fd = fd;
    peer->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    Peer* p = peer.get();
    QObject::connect(p->notifier.get(), &QSocketNotifier::activated, p->notifier.get(),
                     [this, p] { Read(p); });
    p->deadline = std::make_unique<QTimer>();
    p->deadline->setSingleShot(true);
    QObject::connect(p->deadline.get(), &QTimer::timeout, p->deadline.get(),
                     [this, p] { Drop(p); });
    p->deadline->start(peerDeadline_);
    peers_.push_back(std::move(peer));
  }
}

void LocalLineServer::Read(Peer* peer) {
  char buffer[256];
  bool ended = false;
  for (;;) {
    const ssize_t n = recv(peer->fd, buffer, sizeof buffer, 0);
    if (n > 0) {
      peer->received.append(buffer, static_cast<qsizetype>(n));
      if (peer->received.size() > kMaxLine) break;  // more is of no use
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    ended = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
    break;
  }
  const qsizetype newline = peer->received.indexOf('\n');
  if (newline < 0) {
    // A request is one short line: anything longer, or a peer gone before its newline, is not
    // one of ours.
    if (ended || peer->received.size() > kMaxLine) Drop(peer);
    return;
  }
  // The line as far as its newline, at most kMaxLine - 1 bytes.
  const QByteArray line = peer->received.left(std::min<qsizetype>(newline + 1, kMaxLine - 1));
  const QByteArray answer = handler_ ? handler_(line) : QByteArray();
  // The handler may have closed the server, and with it this peer.
  if (std::none_of(peers_.begin(), peers_.end(),
                   [peer](const std::unique_ptr<Peer>& p) { return p.get() == peer; }))
    return;
  // The answer fits any socket buffer; a peer that has gone is simply not told.
  if (!answer.isEmpty())
    (void)send(peer->fd, answer.constData(), static_cast<std::size_t>(answer.size()), MSG_NOSIGNAL);
  Drop(peer);
}

void LocalLineServer::Drop(Peer* peer) {
  const auto it = std::find_if(peers_.begin(), peers_.end(),
                               [peer](const std::unique_ptr<Peer>& p) { return p.get() == peer; });
  if (it == peers_.end()) return;
  // The notifier or the timer may be the one whose signal runs now: each is deleted once that is
  // over.
  QSocketNotifier* notifier = (*it)->notifier.release();
  notifier->setEnabled(false);
  notifier->deleteLater();
  QTimer* deadline = (*it)->deadline.release();
  deadline->stop();
  deadline->deleteLater();
  close((*it)->fd);
  peers_.erase(it);
}

QByteArray AskLocalLineServer(const QString& path, const QByteArray& request, int timeoutMs) {
  sockaddr_un address;
  if (!Address(QFile::encodeName(path), address)) return {};
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return {};
  const auto step = std::chrono::milliseconds(std::max(timeoutMs, 0));
  QByteArray answer;
  auto deadline = std::chrono::steady_clock::now() + step;
  // A listener whose queue is full refuses at once (EAGAIN): try again until the deadline.
  int connected;
  while ((connected = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address)) !=
             0 &&
         (errno == EINTR || errno == EAGAIN) && std::chrono::steady_clock::now() < deadline) {
    if (errno == EAGAIN) poll(nullptr, 0, 5);
  }
  if (connected == 0) {
    qsizetype sent = 0;
    deadline = std::chrono::steady_clock::now() + step;
    while (sent < request.size()) {
      const ssize_t n = send(fd, request.constData() + sent,
                             static_cast<std::size_t>(request.size() - sent), MSG_NOSIGNAL);
      if (n > 0) {
        sent += n;
      } else if (!(n < 0 && (errno == EINTR || errno == EAGAIN)) ||
                 !WaitFor(fd, POLLOUT, deadline)) {
        break;
      }
    }
    // Each answer that arrives gives the next part a full step again.
    while (sent == request.size() && !answer.endsWith('\n')) {
      deadline = std::chrono::steady_clock::now() + step;
      if (!WaitFor(fd, POLLIN, deadline)) break;
      char buffer[256];
      const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
      if (n > 0) {
        answer.append(buffer, static_cast<qsizetype>(n));
      } else if (!(n < 0 && (errno == EINTR || errno == EAGAIN))) {
        break;
      }
    }
  }
  close(fd);
  return answer;
}

void RemoveStaleLocalSocket(const QString& path) {
  unlink(QFile::encodeName(path).constData());
}

}  // namespace selvane::platform
