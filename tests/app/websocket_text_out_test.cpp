// SPDX-License-Identifier: MIT
// The WebSocket out fed directly, with clients in this process: what each client receives,
// and what the server holds for clients that misbehave.
#include "app/text_out/websocket_text_out.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/text_out/open_text_outs.h"
#include "support/patience.h"

namespace tavrin {
namespace {

// Waits, running the event loop, until `done` holds; false if it never does.
template <typename Predicate>
bool Eventually(Predicate done) {
  return QTest::qWaitFor(done, test_support::kPatienceMs);
}

std::unique_ptr<WebSocketTextOut> Listening() {
  QString error;
  std::unique_ptr<WebSocketTextOut> out = WebSocketTextOut::Listen(0, error);
  EXPECT_NE(out, nullptr) << error.toStdString();
  return out;
}

// A client as a texthooker page is: it connects and keeps each text message received.
class Client {
 public:
  explicit Client(quint16 port, const QString& host = QStringLiteral("127.0.0.1")) {
    QObject::connect(&socket_, &QWebSocket::textMessageReceived,
                     [this](const QString& message) { received.push_back(message); });
    QObject::connect(&socket_, &QWebSocket::disconnected, [this] { closed = true; });
    socket_.open(QUrl(QStringLiteral("ws://%1:%2/").arg(host).arg(port)));
  }
  bool Connected() {
    return Eventually([this] { return socket_.state() == QAbstractSocket::ConnectedState; });
  }
  QWebSocket& Socket() { return socket_; }

  std::vector<QString> received;
  bool closed = false;

 private:
  QWebSocket socket_;
};

// A connection made by hand with the system's sockets: it may say anything, and read
// nothing at all (its receive buffer as small as the system allows).
class RawClient {
 public:
  explicit RawClient(quint16 port, bool small_buffer = false) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (small_buffer) {
      const int size = 1024;
      ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawClient() { ::close(fd_); }
  bool Say(const std::string& bytes) {
    return connected_ && ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
                             static_cast<ssize_t>(bytes.size());
  }
  // Sends `bytes`, running the event loop while the peer's buffers are full; false once
  // the peer has closed the connection.
  bool SayWhileServed(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t sent =
          ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
      if (sent > 0) done += static_cast<std::size_t>(sent);
      QCoreApplication::processEvents();
    }
    return true;
  }
  bool Handshake(quint16 port) {
    return Say("GET / HTTP/1.1\r\nHost: localhost:" + std::to_string(port) +
               "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
               "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n");
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

TEST(WebSocketTextOut, EveryClientGetsEachPageAndQuestionOnceInOrder) {
  const auto out = Listening();
  Client first(out->Port());
  Client second(out->Port());
  ASSERT_TRUE(first.Connected() && second.Connected());
  ASSERT_TRUE(Eventually([&] { return out->ClientCount() == 2; }));

  out->Page(QStringLiteral("夏の終わりの夕暮れ。\n町の小さな郵便局で。"));
  out->Page(QStringLiteral("\"To the keeper of the lantern.\""));
  out->Question(QStringLiteral("どちらの道を行こう？"), QStringLiteral("＞川沿いの道"),
                QStringLiteral("＞森の近道"));
  out->Page(QStringLiteral("The end."));
  const std::vector<QString> sent = {
      QStringLiteral("夏の終わりの夕暮れ。\n町の小さな郵便局で。"),
      QStringLiteral("\"To the keeper of the lantern.\""),
      QStringLiteral("どちらの道を行こう？\n＞川沿いの道\n＞森の近道"),
      QStringLiteral("The end."),
  };
  // Once the last has come, anything sent twice would have come before it.
  ASSERT_TRUE(
      Eventually([&] { return first.received.size() >= 4 && second.received.size() >= 4; }));
  EXPECT_EQ(first.received, sent);
  EXPECT_EQ(second.received, sent);
}

TEST(WebSocketTextOut, AClientThatConnectsGetsThePageInViewAtOnce) {
  const auto out = Listening();
  Client early(out->Port());
  ASSERT_TRUE(early.Connected());
  ASSERT_TRUE(Eventually([&] { return out->ClientCount() == 1; }));
  out->Page(QStringLiteral("One."));
  out->Page(QStringLiteral("Two."));
  ASSERT_TRUE(Eventually([&] { return early.received.size() == 2; }));
  EXPECT_EQ(early.received.front(), QStringLiteral("One."));  // nothing before the first page

  Client late(out->Port());
  ASSERT_TRUE(Eventually([&] { return !late.received.empty(); }));
  out->Page(QStringLiteral("Three."));
  ASSERT_TRUE(Eventually([&] { return late.received.size() >= 2; }));
  EXPECT_EQ(late.received,
            (std::vector<QString>{QStringLiteral("Two."), QStringLiteral("Three.")}));

  out->Question(QStringLiteral("Which?"), QStringLiteral("This"), QStringLiteral("That"));
  Client at_question(out->Port());
  ASSERT_TRUE(Eventually([&] { return !at_question.received.empty(); }));
  EXPECT_EQ(at_question.received.front(), QStringLiteral("Which?\nThis\nThat"));
}

TEST(WebSocketTextOut, WhatClientsSendIsIgnoredAndTooMuchOfItClosesThem) {
  const auto out = Listening();
  Client talker(out->Port());
  Client flooder(out->Port());
  Client trickler(out->Port());
  RawClient garbage(out->Port());
  RawClient giant(out->Port());
  ASSERT_TRUE(talker.Connected() && flooder.Connected() && trickler.Connected());
  ASSERT_TRUE(garbage.Handshake(out->Port()) && giant.Handshake(out->Port()));
  ASSERT_TRUE(Eventually([&] { return out->ClientCount() == 5; }));

  talker.Socket().sendTextMessage(QStringLiteral("{\"next\": true}"));
  talker.Socket().sendBinaryMessage(QByteArray(1000, '\x01'));
  talker.Socket().ping();
  // Past what a client may send: in one frame, and in frames each small enough.
  flooder.Socket().sendTextMessage(QString(1 << 20, u'x'));
  trickler.Socket().setOutgoingFrameSize(1024);
  trickler.Socket().sendBinaryMessage(QByteArray(1 << 20, 'x'));
  ASSERT_TRUE(garbage.Say(std::string(4096, '\xff')));  // not a frame: a reserved opcode
  // A masked text frame that claims 16 MiB is refused at its header, not taken in to its end.
  ASSERT_TRUE(giant.Say(std::string("\x81\xff\x00\x00\x00\x00\x01\x00\x00\x00", 10) + "mask"));
  std::size_t taken = 0;
  while (taken < (std::size_t{16} << 20) && giant.SayWhileServed(std::string(64 * 1024, 'x'))) {
    taken += 64 * 1024;
  }
  EXPECT_LT(taken, std::size_t{16} << 20);
  ASSERT_TRUE(
      Eventually([&] { return flooder.closed && trickler.closed && out->ClientCount() == 1; }));
  EXPECT_EQ(flooder.Socket().closeCode(), QWebSocketProtocol::CloseCodeTooMuchData);
  EXPECT_EQ(trickler.Socket().closeCode(), QWebSocketProtocol::CloseCodeTooMuchData);

  out->Page(QStringLiteral("Still here."));
  ASSERT_TRUE(Eventually([&] { return !talker.received.empty(); }));
  EXPECT_EQ(talker.received, std::vector<QString>{QStringLiteral("Still here.")});
  EXPECT_FALSE(talker.closed);
}

TEST(WebSocketTextOut, ServesSixteenClientsAndClosesTheSeventeenth) {
  const auto out = Listening();
  out->Page(QStringLiteral("In view."));
  std::vector<std::unique_ptr<Client>> clients;
  for (int i = 0; i < WebSocketTextOut::kMostClients; ++i) {
    clients.push_back(std::make_unique<Client>(out->Port()));
  }
  ASSERT_TRUE(Eventually([&] { return out->ClientCount() == WebSocketTextOut::kMostClients; }));
  Client refused(out->Port());
  ASSERT_TRUE(Eventually([&] { return refused.closed; }));
  EXPECT_EQ(refused.Socket().closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
  EXPECT_TRUE(refused.received.empty());
  EXPECT_EQ(out->ClientCount(), WebSocketTextOut::kMostClients);

  // One leaves: the next to come is served.
  clients.front()->Socket().close();
  ASSERT_TRUE(Eventually([&] { return out->ClientCount() == WebSocketTextOut::kMostClients - 1; }));
  Client next(out->Port());
  ASSERT_TRUE(Eventually([&] { return !next.received.empty(); }));
  EXPECT_EQ(next.received.front(), QStringLiteral("In view."));
  EXPECT_EQ(out->ClientCount(), WebSocketTextOut::kMostClients);
}

TEST(WebSocketTextOut, ConnectionsThatNeverShakeHandsAreBounded) {
  const auto out = Listening();
  out->Page(QStringLiteral("In view."));
  const int tried = WebSocketTextOut::kMostConnections + 8;
  std::vector<std::unique_ptr<QTcpSocket>> silent;
  int ended = 0;
  for (int i = 0; i < tried; ++i) {
    silent.push_back(std::make_unique<QTcpSocket>());
    QObject::connect(silent.back().get(), &QTcpSocket::disconnected, [&ended] { ++ended; });
    silent.back()->connectToHost(QHostAddress::LocalHost, out->Port());
  }
  // Those past the bound are ended as they come; the others wait for their handshake.
  ASSERT_TRUE(Eventually([&] { return ended == tried - WebSocketTextOut::kMostConnections; }));
  EXPECT_EQ(out->ConnectionCount(), WebSocketTextOut::kMostConnections);
  Client refused(out->Port());
  ASSERT_TRUE(Eventually([&] { return refused.closed; }));
  EXPECT_TRUE(refused.received.empty());
  // Gone, they are let go at once, not at the end of their handshake's time.
  silent.clear();
  ASSERT_TRUE(Eventually([&] { return out->ConnectionCount() == 0; }));
  Client client(out->Port());
  ASSERT_TRUE(Eventually([&] { return !client.received.empty(); }));
  EXPECT_EQ(client.received.front(), QStringLiteral("In view."));
}

TEST(WebSocketTextOut, AClientThatNeverReadsMissesPagesInsteadOfGrowingTheServer) {
  const auto out = Listening();
  Client reader(out->Port());
  RawClient sleeper(out->Port(), /*small_buffer=*/true);
  ASSERT_TRUE(reader.Connected());
  ASSERT_TRUE(sleeper.Handshake(out->Port()));
  ASSERT_TRUE(Eventually([&] { return out->ClientCount() == 2; }));

  // Far more than the system's buffers and the bound hold, a page at a time.
  constexpr int kPages = 100;
  constexpr qint64 kPageBytes = 64 * 1024;
  constexpr qint64 kFrameHeader = 14;
  qint64 most_unsent = 0;
  for (int i = 0; i < kPages; ++i) {
    out->Page(QString::number(i) + QString(kPageBytes - 3, u'x'));
    most_unsent = std::max(most_unsent, out->MostUnsent());
    ASSERT_TRUE(Eventually([&] { return reader.received.size() == static_cast<size_t>(i) + 1; }));
  }
  EXPECT_LE(most_unsent, WebSocketTextOut::kMostUnsent + kPageBytes + kFrameHeader);
  EXPECT_GT(out->Missed(), 0u);  // the bound was met, and held
  for (int i = 0; i < kPages; ++i) EXPECT_TRUE(reader.received[i].startsWith(QString::number(i)));
  EXPECT_EQ(out->ClientCount(), 2);
}

TEST(WebSocketTextOut, GoingItClosesEveryConnection) {
  auto out = Listening();
  Client first(out->Port());
  Client second(out->Port());
  QTcpSocket shaking;  // still in its handshake
  bool shaking_ended = false;
  QObject::connect(&shaking, &QTcpSocket::disconnected, [&] { shaking_ended = true; });
  shaking.connectToHost(QHostAddress::LocalHost, out->Port());
  ASSERT_TRUE(Eventually([&] { return out->ClientCount() == 2 && out->ConnectionCount() == 3; }));
  out->Page(QStringLiteral("The last page."));
  out.reset();
  EXPECT_TRUE(Eventually([&] { return first.closed && second.closed && shaking_ended; }));
  EXPECT_EQ(first.received, std::vector<QString>{QStringLiteral("The last page.")});
}

TEST(WebSocketTextOut, APortInUseIsSaidOnceAndNoServerStarts) {
  for (const QHostAddress& taken :
       {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)}) {
    QTcpServer other;
    if (!other.listen(taken, 0)) {
      ASSERT_EQ(taken.protocol(), QAbstractSocket::IPv6Protocol)
          << "127.0.0.1 cannot be listened on";
      continue;  // no ::1 here
    }
    const quint16 port = other.serverPort();
    std::ostringstream errors;
    const auto outs = OpenTextOuts({{TextOutOption::Kind::WebSocket, port}}, errors);
    EXPECT_TRUE(outs.empty()) << taken.toString().toStdString();
    const std::string said = errors.str();
    EXPECT_EQ(said.rfind("tavrin: ", 0), 0u) << said;
    EXPECT_NE(said.find("ws://localhost:" + std::to_string(port)), std::string::npos) << said;
    EXPECT_NE(said.find("another program listens"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
  }
}

TEST(WebSocketTextOut, ListensOnTheLoopbackOnly) {
  const auto out = Listening();
  for (const QHostAddress& address : out->Addresses()) {
    EXPECT_TRUE(address.isLoopback()) << address.toString().toStdString();
  }
  Client ipv4(out->Port(), QStringLiteral("127.0.0.1"));
  EXPECT_TRUE(ipv4.Connected());
  if (out->Addresses().size() == 2) {
    Client ipv6(out->Port(), QStringLiteral("[::1]"));
    EXPECT_TRUE(ipv6.Connected());
  }
  for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
    if (address.isLoopback() || address.protocol() != QAbstractSocket::IPv4Protocol) continue;
    QTcpSocket outside;
    outside.connectToHost(address, out->Port());
    EXPECT_FALSE(outside.waitForConnected(test_support::kPatienceMs))
        << address.toString().toStdString();
  }
}

TEST(WebSocketTextOut, RunsNoTimerWithClientsConnectedAndNothingChanging) {
  const auto out = Listening();
  Client first(out->Port());
  Client second(out->Port());
  ASSERT_TRUE(Eventually([&] { return out->ClientCount() == 2; }));
  out->Page(QStringLiteral("Waiting for the reader."));
  ASSERT_TRUE(Eventually([&] { return !first.received.empty() && !second.received.empty(); }));
  std::vector<QObject*> objects = {out.get()};
  for (QObject* child : out->findChildren<QObject*>()) objects.push_back(child);
  for (QObject* object : objects) {
    EXPECT_TRUE(QAbstractEventDispatcher::instance()->registeredTimers(object).isEmpty())
        << object->metaObject()->className();
  }
}

}  // namespace
}  // namespace tavrin
