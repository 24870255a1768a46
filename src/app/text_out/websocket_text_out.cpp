// SPDX-License-Identifier: MIT
#include "app/text_out/websocket_text_out.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketServer>
#include <algorithm>
#include <memory>

namespace tavrin {

WebSocketTextOut::WebSocketTextOut()
    : handshakes_(
          new QWebSocketServer(QStringLiteral("Tavrin"), QWebSocketServer::NonSecureMode, this)) {
  connect(handshakes_, &QWebSocketServer::newConnection, this, &WebSocketTextOut::Upgraded);
}

WebSocketTextOut::~WebSocketTextOut() {
  // Everything goes here, while what their signals reach is still whole: each client says
  // goodbye to its peer, and the connections still in their handshake are dropped.
  for (QWebSocket* client : clients_) {
    client->disconnect(this);
    delete client;
  }
  clients_.clear();
  qDeleteAll(listeners_);
  listeners_.clear();
  delete handshakes_;
}

std::unique_ptr<WebSocketTextOut> WebSocketTextOut::Listen(quint16 port, QString& error) {
  std::unique_ptr<WebSocketTextOut> out(new WebSocketTextOut);
  if (!out->ListenOn(QHostAddress(QHostAddress::LocalHost), port, error)) return nullptr;
  const quint16 taken = out->port_;
  QString ipv6_error;
  if (!out->ListenOn(QHostAddress(QHostAddress::LocalHostIPv6), taken, ipv6_error) && port != 0 &&
      !ipv6_error.isEmpty()) {
    error = ipv6_error;
    return nullptr;
  }
  return out;
}

// Listens on `address`. False when it cannot, with `error` set when that matters: the
// port is in use, or the address is 127.0.0.1 (::1 may well be missing).
bool WebSocketTextOut::ListenOn(const QHostAddress& address, quint16 port, QString& error) {
  auto* listener = new QTcpServer(this);
  if (!listener->listen(address, port)) {
    const bool ipv4 = address.protocol() == QAbstractSocket::IPv4Protocol;
    if (listener->serverError() == QAbstractSocket::AddressInUseError) {
      error = QStringLiteral(
                  "cannot hand the text out at ws://localhost:%1: another program "
                  "listens on that port; playing on without it (--text-out=ws:PORT "
                  "picks another)")
                  .arg(port);
    } else if (ipv4) {
      error = QStringLiteral(
                  "cannot hand the text out at ws://localhost:%1: %2; playing on "
                  "without it")
                  .arg(port)
                  .arg(listener->errorString());
    }
    delete listener;
    return false;
  }
  port_ = listener->serverPort();
  listeners_.push_back(listener);
  connect(listener, &QTcpServer::newConnection, this, [this, listener] { Connected(*listener); });
  return true;
}

void WebSocketTextOut::Connected(QTcpServer& listener) {
  while (QTcpSocket* socket = listener.nextPendingConnection()) {
    if (connections_ >= kMostConnections) {
      // Not even its handshake is read: many at once are someone trying.
      socket->abort();
      socket->deleteLater();
      continue;
    }
    // Held until it is gone or ends, whichever is first.
    ++connections_;
    auto held = std::make_shared<bool>(true);
    const auto release = [this, held] {
      if (*held) --connections_;
      *held = false;
    };
    connect(socket, &QTcpSocket::disconnected, this, release);
    connect(socket, &QObject::destroyed, this, release);
    handshakes_->handleConnection(socket);  // which owns it from now on
  }
}

void WebSocketTextOut::Upgraded() {
  while (QWebSocket* client = handshakes_->nextPendingConnection()) {
    connect(client, &QWebSocket::disconnected, this, [this, client] { Forget(client); });
    if (ClientCount() >= kMostClients) {
      client->close(QWebSocketProtocol::CloseCodePolicyViolated,
                    QStringLiteral("Tavrin serves at most %1 clients").arg(kMostClients));
      continue;
    }
    // A frame that claims more than the bound closes its client at its header, not once it
    // has been buffered whole; and so does a message of frames that add up to more.
    client->setMaxAllowedIncomingFrameSize(kMostIncoming);
    client->setMaxAllowedIncomingMessageSize(kMostIncoming);
    clients_.push_back(client);
    if (!last_.isNull()) SendTo(*client, last_);
  }
}

void WebSocketTextOut::Forget(QWebSocket* client) {
  clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
  client->disconnect(this);
  client->deleteLater();
}

void WebSocketTextOut::Page(const QString& text) { Send(text); }

void WebSocketTextOut::Question(const QString& question, const QString& first,
                                const QString& second) {
  Send(QuestionText(question, first, second));
}

void WebSocketTextOut::Send(const QString& message) {
  last_ = message;
  for (QWebSocket* client : clients_) SendTo(*client, message);
}

void WebSocketTextOut::SendTo(QWebSocket& client, const QString& message) {
  if (client.bytesToWrite() > kMostUnsent) {
    ++missed_;
    return;
  }
  client.sendTextMessage(message);
  client.flush();  // on its way now, not at the event loop's next turn
}

std::vector<QHostAddress> WebSocketTextOut::Addresses() const {
  std::vector<QHostAddress> addresses;
  for (const QTcpServer* listener : listeners_) addresses.push_back(listener->serverAddress());
  return addresses;
}

qint64 WebSocketTextOut::MostUnsent() const {
  qint64 most = 0;
  for (const QWebSocket* client : clients_) most = std::max(most, client->bytesToWrite());
  return most;
}

}  // namespace tavrin
