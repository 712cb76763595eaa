// Runs libcurl transfers on the Qt event loop of the calling thread: a
// curl multi handle whose sockets are watched by QSocketNotifiers and whose
// time-outs are a single-shot QTimer. No call waits for the network; the
// window stays responsive and a transfer can be cancelled at any moment.
//
// Call order: Start(easy, done) adds a configured easy handle; when the
// transfer ends, `done` runs once with curl's result, from the event loop
// (never from inside a curl call), after the handle has left the multi
// handle, so `done` may Start the same handle again. Cancel(easy) removes a
// running handle at once; its `done` is never called then.
//
// libcurl can leave a transfer in a state that waits on no socket and on a
// far time-out (an FTP data connection it has yet to open after a
// passive-mode reply that was there at once); such a transfer would sit
// until its connect time-out. So after a step in which curl changed what
// it waits for (it called back about a socket or its timer) while
// transfers still run, every handle is driven once more as soon as the
// event loop is free; at most a few times in a row, so that a state that
// keeps moving its timer (a name being resolved) does not spin. While
// transfers run, every handle is also driven every 100 ms.
//
// Destroying the loop cancels what still runs and closes every cached
// connection without waiting for the server (the sockets the transfers
// opened are shut down first, so curl's closing QUIT cannot block). For
// that, easy handles must use ConfigureSockets().
//
// Thread safety: one thread, the one that created the object.
#pragma once

#include <curl/curl.h>

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <set>
#include <unordered_map>

class QSocketNotifier;

namespace update {

class CurlEventLoop : public QObject {
    Q_OBJECT

  public:
    using Done = std::function<void(CURLcode)>;

    CurlEventLoop();
    ~CurlEventLoop() override;
    CurlEventLoop(const CurlEventLoop&) = delete;
    CurlEventLoop& operator=(const CurlEventLoop&) = delete;

    // Routes the handle's socket opening and closing through this loop so
    // that its sockets can be shut down on destruction.
    void ConfigureSockets(CURL* easy);

    // REQUIRES: `easy` is not running in this loop.
    void Start(CURL* easy, Done done);
    // Does nothing for a handle that is not running.
    void Cancel(CURL* easy);
    bool IsRunning(CURL* easy) const { return running_.count(easy) != 0; }

    // Shuts down every socket the transfers opened (both directions), so
    // that anything still waiting on them fails at once.
    void ShutDownSockets();

  private:
    struct SocketWatch {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    static int OnSocket(CURL* easy, curl_socket_t socket, int what, void* loop, void* socketData);
    static int OnTimer(CURLM* multi, long timeoutMs, void* loop);
    static curl_socket_t OnOpenSocket(void* loop, curlsocktype purpose,
                                      struct curl_sockaddr* address);
    static int OnCloseSocket(void* loop, curl_socket_t socket);

    void WatchSocket(curl_socket_t socket, int what);
    void UnwatchSocket(curl_socket_t socket);
    void Drive(curl_socket_t socket, int events);
    // Runs every handle and brings the watched sockets up to date.
    void DriveAll();
    // After a step of curl that began when curlCallbacks_ was `before`.
    void AfterDrive(uint64_t before);
    // False when a callback destroyed the loop.
    bool DeliverFinished();

    CURLM* multi_ = nullptr;
    QTimer timer_;
    QTimer heartbeat_;
    bool kickPending_ = false;
    int kicksInARow_ = 0;
    // Counts curl's socket and timer callbacks.
    uint64_t curlCallbacks_ = 0;
    std::unordered_map<curl_socket_t, SocketWatch> watches_;
    std::unordered_map<CURL*, Done> running_;
    std::set<curl_socket_t> openSockets_;
};

}  // namespace update
