// The local socket the running program answers later starts on: one short line in, one answer
// out, then the connection ends; anything else is dropped. The asking side runs on a thread of
// its own while the test's event loop serves.
#include "platform/local_line_server.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cstring>
#include <thread>

namespace selvane::platform {
namespace {

class LocalLineServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(server.Listen(path, [this](const QByteArray& line) {
      lines.push_back(line);
      return line == "show\n" ? QByteArrayLiteral("shown\n") : QByteArrayLiteral("?\n");
    }));
  }

  // Asks on a thread of its own, serving meanwhile.
  QByteArray Ask(const QByteArray& request) {
    QByteArray answer;
    std::atomic<bool> done{false};
    std::thread asker([&] {
      answer = AskLocalLineServer(path, request, 2000);
      done = true;
    });
    const bool finished = QTest::qWaitFor([&] { return done.load(); }, 10000);
    asker.join();
    EXPECT_TRUE(finished);
    return answer;
  }

  // A peer of its own that sends bytes and then waits for the server to end the connection;
  // what the server wrote before.
  QByteArray SendRaw(const QByteArray& bytes, bool closeAfter) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(send(fd, bytes.constData(), static_cast<std::size_t>(bytes.size()), MSG_NOSIGNAL),
              bytes.size());
    if (closeAfter) shutdown(fd, SHUT_WR);
    QByteArray received;
    bool ended = false;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          char buffer[256];
          const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
          if (n > 0) received.append(buffer, static_cast<qsizetype>(n));
          ended = n == 0;
          return ended;
        },
        10000));
    close(fd);
    return received;
  }

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("test.socket"));
  LocalLineServer server;
  std::vector<QByteArray> lines;
};

TEST_F(LocalLineServerTest, OneLineInOneAnswerOut) {
  const struct {
    QByteArray request, answer;
  } cases[] = {
      {"show\n", "shown\n"},
      {"hide\n", "?\n"},
      {"\n", "?\n"},
      // What follows the line is not read as a request.
      {"show\nshow\n", "shown\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Ask(c.request), c.answer) << c.request.toStdString();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "show\n");
  EXPECT_EQ(lines[3], "show\n");
  EXPECT_TRUE(QTest::qWaitFor([&] { return server.PeerCount() == 0; }));
}

TEST_F(LocalLineServerTest, PeersThatSendNoShortLineAreDroppedUnanswered) {
  // Ended before a newline, or more than one short line's worth without one.
  EXPECT_EQ(SendRaw("sho", true), "");
  EXPECT_EQ(SendRaw("", true), "");
  EXPECT_EQ(SendRaw(QByteArray(65, 'x'), false), "");
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(server.PeerCount(), 0);
  // A line longer than the limit is cut there, and not the request.
  EXPECT_EQ(SendRaw(QByteArray(62, 'x') + "\n", false), "?\n");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], QByteArray(62, 'x') + "\n");
}

// A peer that stays connected but says less than one line, or nothing, is dropped once its
// deadline passes instead of holding its connection open for good.
TEST_F(LocalLineServerTest, ASilentPeerIsDroppedAfterItsDeadline) {
  server.Close();
  ASSERT_TRUE(server.Listen(
      path, [](const QByteArray&) { return QByteArrayLiteral("?\n"); },
      std::chrono::milliseconds(200)));
  for (const QByteArray& sent : {QByteArray(), QByteArray("sho"), QByteArray(64, 'x')})
    EXPECT_EQ(SendRaw(sent, false), "") << sent.toStdString();
  EXPECT_EQ(server.PeerCount(), 0);
}

TEST_F(LocalLineServerTest, OnlyTheOwnerMayConnectAndClosingRemovesTheSocket) {
  struct stat info {};
  ASSERT_EQ(lstat(QFile::encodeName(path).constData(), &info), 0);
  EXPECT_TRUE(S_ISSOCK(info.st_mode));
  EXPECT_EQ(info.st_mode & (S_IRWXG | S_IRWXO), 0u);
  // A second server on the same path fails; the first one keeps serving.
  LocalLineServer second;
  EXPECT_FALSE(second.Listen(path, nullptr));
  EXPECT_EQ(Ask("show\n"), "shown\n");
  server.Close();
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_EQ(AskLocalLineServer(path, "show\n", 200), "");
  // A socket file left by a process that was killed: in the way until it is removed.
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray name = QFile::encodeName(path);
  std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
  ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  close(fd);
  EXPECT_FALSE(second.Listen(path, nullptr));
  RemoveStaleLocalSocket(path);
  EXPECT_TRUE(second.Listen(path, nullptr));
  second.Close();
  EXPECT_FALSE(QFile::exists(path));
}

TEST(LocalLineServer, APathTooLongForASocketIsRefused) {
  LocalLineServer server;
  EXPECT_FALSE(server.Listen(QString(200, QLatin1Char('x')), nullptr));
  EXPECT_FALSE(server.IsListening());
  EXPECT_EQ(AskLocalLineServer(QString(200, QLatin1Char('x')), "show\n", 100), "");
}

}  // namespace
}  // namespace selvane::platform
