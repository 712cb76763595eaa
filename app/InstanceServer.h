// The running copy's side of the single-instance hand-over: accepts the
// connections of later copies on the listening socket the platform made
// with the single-instance lock and hands each argument to the program
// (protocol: platform/InstanceHandOver.h).
//
// Each connection first brings the program forward (onConnection), then
// its arguments are delivered one by one, in order, and each is answered
// after its delivery, so the sending copy waits until the file is open.
// While the program cannot take an argument (canDeliver false: a modal
// dialog is open), arguments wait in a queue and are answered at once;
// they are delivered, in order, as soon as it can. A connection that sends
// something other than frames is dropped at the first bad frame; nothing
// from there on is delivered.
//
// Ownership: owns the accepted connections; the listening socket is
// adopted and closed with the server.
//
// Thread safety: GUI thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>

class QLocalServer;
class QLocalSocket;

namespace platform {
class HandOverDecoder;
}

namespace app {

class InstanceServer : public QObject {
    Q_OBJECT

  public:
    // Adopts `listener` (a listening local socket's descriptor, closed with
    // the server); -1 gives a server that never receives anything.
    explicit InstanceServer(intptr_t listener, QObject* parent = nullptr);
    ~InstanceServer() override;

    bool Listening() const;

    std::function<void()> onConnection;
    std::function<void(const QString& argument)> onArgument;
    // Null means always.
    std::function<bool()> canDeliver;

    // Arguments received but not yet delivered.
    int PendingCount() const { return static_cast<int>(queue_.size()); }

  private:
    void Accept();
    void Read(QLocalSocket* socket, platform::HandOverDecoder& decoder);
    void DeliverPending();
    bool MayDeliver() const;
    void Deliver(const QString& argument);

    QLocalServer* server_;
    std::deque<QString> queue_;
    QTimer retry_;
    bool delivering_ = false;
};

}  // namespace app
