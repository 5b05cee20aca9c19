// A local (AF_UNIX stream) socket for one-line requests, on the event loop through socket
// notifiers: each peer sends one short line, gets one answer and is disconnected. Also the
// asking side, which blocks for at most a timeout per step.
#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace selvane::platform {

class LocalLineServer {
 public:
  // The longest request line, its newline included; a peer that sends more without a newline
  // is dropped.
  static constexpr int kMaxLine = 64;
  // Given a request line (its newline included), the answer to send back.
  using Handler = std::function<QByteArray(const QByteArray& line)>;

  LocalLineServer();
  LocalLineServer(const LocalLineServer&) = delete;
  LocalLineServer& operator=(const LocalLineServer&) = delete;
  ~LocalLineServer();

  // Listens on path, a socket only this user may connect to. False when it cannot (a file is in
  // the way, the path is too long, no such folder). A peer that has not sent its line within
  // peerDeadline of connecting is dropped unanswered.
  bool Listen(const QString& path, Handler handler,
              std::chrono::milliseconds peerDeadline = std::chrono::seconds(3));
  // Stops listening, drops every peer and removes the socket file.
  void Close();
  bool IsListening() const { return fd_ >= 0; }
  int PeerCount() const { return static_cast<int>(peers_.size()); }

 private:
  struct Peer;
  void Accept();
  void Read(Peer* peer);
  void Drop(Peer* peer);

  int fd_ = -1;
  QByteArray path_;
  Handler handler_;
  std::chrono::milliseconds peerDeadline_{0};
  std::unique_ptr<QSocketNotifier> notifier_;
  std::vector<std::unique_ptr<Peer>> peers_;
};

// Connects to the socket at path, sends request and reads the answer up to its first newline
// (or the end of the connection). Each step waits at most timeoutMs; empty when none answered.
QByteArray AskLocalLineServer(const QString& path, const QByteArray& request, int timeoutMs);

// Removes the file at path: a socket left by a process that ended without removing it.
void RemoveStaleLocalSocket(const QString& path);

}  // namespace selvane::platform
