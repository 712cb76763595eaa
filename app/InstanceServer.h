// The running copy's side of the single-instance hand-over: accepts the
// connections of later copies on the listening socket the platform made
// with the single-instance lock and hands each argument to the program
// (protocol: platform/InstanceHandOver.h).
//
// Receiving and delivering are kept apart, so that nothing the program
// does with an argument can keep a later copy waiting or run inside the
// socket's own signal handling:
//   * each connection first brings the program forward (onConnection);
//   * each argument is queued and answered as soon as its frame is
//     complete, whatever the program is doing (a message box, a dialog);
//     the later copy then ends at once;
//   * queued arguments are delivered (onArgument) one by one, in the
//     order they arrived, from a queued call of the event loop, never from
//     inside a socket's signal; while the program cannot take one
//     (canDeliver false: a modal dialog is open) they wait and are looked
//     at again now and then. A delivery that runs a nested event loop (an
//     error box) holds back the next until it has returned.
// A connection that closes or breaks in the middle of a frame is dropped
// with the partial frame; what it had sent whole stays queued. A
// connection that sends something other than frames is dropped at the
// first bad frame; nothing from there on is queued.
//
// Ownership: owns the accepted connections; the listening socket is
// adopted and closed with the server.
//
// Thread safety: GUI thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>

class QLocalServer;
class QLocalSocket;

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
    // Connections accepted and not yet closed.
    int ConnectionCount() const { return connections_; }

  private:
    class Connection;

    void Accept();
    void Receive(const QString& argument);
    void ScheduleDelivery();
    void DeliverPending();
    bool MayDeliver() const;

    QLocalServer* server_;
    std::deque<QString> queue_;
    QTimer retry_;
    bool scheduled_ = false;
    bool delivering_ = false;
    int connections_ = 0;
};

}  // namespace app
