// SPDX-License-Identifier: MIT
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/text_out/text_out.h"

class QTcpServer;
class QWebSocket;
class QWebSocketServer;

namespace tavrin {

/// The text handed out over WebSocket, as texthooker pages read it: a server on the loopback
/// addresses only (127.0.0.1, and ::1 where the system has it) that sends each page, and
/// each question as `QuestionText`, to every client as one text message, and the last one
/// sent to each client as it connects (the page in view).
///
/// It only sends. What clients send is dropped unread, and a frame or a message larger than
/// `kMostIncoming` closes its client. At most `kMostClients` are served: one more is closed
/// as it comes, with a reason; and no more than `kMostConnections` connections are held in
/// all, those still in their handshake included. A client with more than `kMostUnsent` bytes
/// not yet taken misses what is sent until it has taken them, so that one that does not read
/// holds up neither the window nor memory. It runs no timer: with nothing to send it sleeps.
class WebSocketTextOut final : public QObject, public TextOut {
  Q_OBJECT

 public:
  static constexpr int kMostClients = 16;
  static constexpr int kMostConnections = 2 * kMostClients;
  static constexpr qint64 kMostUnsent = qint64{1} << 20;
  static constexpr quint64 kMostIncoming = 64 * 1024;

  /// Listens on `port` of the loopback addresses. With port 0 the system picks one (free on
  /// 127.0.0.1; ::1 is then left out if it is taken there). Nothing, and `error` set to one
  /// sentence, when another program listens on the port on either address or 127.0.0.1
  /// cannot be listened on.
  static std::unique_ptr<WebSocketTextOut> Listen(quint16 port, QString& error);
  ~WebSocketTextOut() override;

  void Page(const QString& text) override;
  void Question(const QString& question, const QString& first, const QString& second) override;

  /// The port listened on, and the addresses.
  quint16 Port() const { return port_; }
  std::vector<QHostAddress> Addresses() const;
  /// The clients served now (their handshake done, not refused, not gone).
  int ClientCount() const { return static_cast<int>(clients_.size()); }
  /// The connections held now, those in their handshake included.
  int ConnectionCount() const { return connections_; }
  /// The most bytes any client has not taken yet.
  qint64 MostUnsent() const;
  /// The messages not sent to a client because it had not taken the earlier ones.
  std::uint64_t Missed() const { return missed_; }

 private:
  WebSocketTextOut();
  bool ListenOn(const QHostAddress& address, quint16 port, QString& error);
  void Connected(QTcpServer& listener);
  void Upgraded();
  void Forget(QWebSocket* client);
  void Send(const QString& message);
  void SendTo(QWebSocket& client, const QString& message);

  QWebSocketServer* handshakes_;        // the WebSocket side of every connection (a child)
  std::vector<QTcpServer*> listeners_;  // children
  std::vector<QWebSocket*> clients_;    // children of `handshakes_`
  int connections_ = 0;                 // connections held, in their handshake or served
  quint16 port_ = 0;
  QString last_;
  std::uint64_t missed_ = 0;
};

}  // namespace tavrin
