// curl_multi_socket_all is the one call that runs every handle and then
// reports each handle's sockets; it is marked deprecated only in favour of
// socket actions, which the loop uses for everything else.
#define CURL_DISABLE_DEPRECATION 1

#include "update/CurlEventLoop.h"

#include <QPointer>
#include <QSocketNotifier>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace update {

namespace {

void CloseNativeSocket(curl_socket_t socket) {
#ifdef _WIN32
    closesocket(socket);
#else
    ::close(socket);
#endif
}

void ShutDownNativeSocket(curl_socket_t socket) {
#ifdef _WIN32
    shutdown(socket, SD_BOTH);
#else
    ::shutdown(socket, SHUT_RDWR);
#endif
}

// Stops a notifier that may be emitting right now: it is disabled at once
// and deleted by the event loop later.
void Retire(QSocketNotifier* notifier) {
    if (notifier == nullptr) return;
    notifier->setEnabled(false);
    notifier->disconnect();
    notifier->deleteLater();
}

}  // namespace

CurlEventLoop::CurlEventLoop() {
    static const bool initialized = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialized;
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &CurlEventLoop::OnSocket);
    curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &CurlEventLoop::OnTimer);
    curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { Drive(CURL_SOCKET_TIMEOUT, 0); });
    heartbeat_.setInterval(100);
    connect(&heartbeat_, &QTimer::timeout, this, &CurlEventLoop::DriveAll);
}

CurlEventLoop::~CurlEventLoop() {
    std::vector<CURL*> handles;
    for (auto& entry : running_) handles.push_back(entry.first);
    for (CURL* easy : handles) Cancel(easy);
    ShutDownSockets();
    curl_multi_cleanup(multi_);
    for (auto& entry : watches_) {
        delete entry.second.read;
        delete entry.second.write;
    }
}

void CurlEventLoop::ConfigureSockets(CURL* easy) {
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &CurlEventLoop::OnOpenSocket);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &CurlEventLoop::OnCloseSocket);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this);
}

void CurlEventLoop::Start(CURL* easy, Done done) {
    running_[easy] = std::move(done);
    curl_multi_add_handle(multi_, easy);
    heartbeat_.start();
}

void CurlEventLoop::Cancel(CURL* easy) {
    if (running_.erase(easy) == 0) return;
    curl_multi_remove_handle(multi_, easy);
    if (running_.empty()) heartbeat_.stop();
}

void CurlEventLoop::ShutDownSockets() {
    for (curl_socket_t socket : openSockets_) ShutDownNativeSocket(socket);
}

int CurlEventLoop::OnSocket(CURL*, curl_socket_t socket, int what, void* loop, void*) {
    auto* self = static_cast<CurlEventLoop*>(loop);
    ++self->curlCallbacks_;
    if (what == CURL_POLL_REMOVE) {
        self->UnwatchSocket(socket);
    } else {
        self->WatchSocket(socket, what);
    }
    return 0;
}

int CurlEventLoop::OnTimer(CURLM*, long timeoutMs, void* loop) {
    auto* self = static_cast<CurlEventLoop*>(loop);
    ++self->curlCallbacks_;
    if (timeoutMs < 0) {
        self->timer_.stop();
    } else {
        self->timer_.start(static_cast<int>(timeoutMs));
    }
    return 0;
}

curl_socket_t CurlEventLoop::OnOpenSocket(void* loop, curlsocktype, struct curl_sockaddr* address) {
    auto* self = static_cast<CurlEventLoop*>(loop);
#ifdef SOCK_CLOEXEC
    // Not inherited by the update program started while a socket is open.
    const int type = address->socktype | SOCK_CLOEXEC;
#else
    const int type = address->socktype;
#endif
    curl_socket_t socket = ::socket(address->family, type, address->protocol);
    if (socket != CURL_SOCKET_BAD) self->openSockets_.insert(socket);
    return socket;
}

int CurlEventLoop::OnCloseSocket(void* loop, curl_socket_t socket) {
    auto* self = static_cast<CurlEventLoop*>(loop);
    self->openSockets_.erase(socket);
    CloseNativeSocket(socket);
    return 0;
}

void CurlEventLoop::WatchSocket(curl_socket_t socket, int what) {
    SocketWatch& watch = watches_[socket];
    auto ensure = [&](QSocketNotifier*& notifier, QSocketNotifier::Type type, int event,
                      bool wanted) {
        if (!wanted) {
            if (notifier != nullptr) notifier->setEnabled(false);
            return;
        }
        if (notifier == nullptr) {
            notifier = new QSocketNotifier(static_cast<qintptr>(socket), type, this);
            connect(notifier, &QSocketNotifier::activated, this,
                    [this, socket, event] { Drive(socket, event); });
        }
        notifier->setEnabled(true);
    };
    ensure(watch.read, QSocketNotifier::Read, CURL_CSELECT_IN,
           what == CURL_POLL_IN || what == CURL_POLL_INOUT);
    ensure(watch.write, QSocketNotifier::Write, CURL_CSELECT_OUT,
           what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
}

void CurlEventLoop::UnwatchSocket(curl_socket_t socket) {
    auto found = watches_.find(socket);
    if (found == watches_.end()) return;
    Retire(found->second.read);
    Retire(found->second.write);
    watches_.erase(found);
}

void CurlEventLoop::Drive(curl_socket_t socket, int events) {
    kicksInARow_ = 0;
    const uint64_t before = curlCallbacks_;
    int stillRunning = 0;
    curl_multi_socket_action(multi_, socket, events, &stillRunning);
    AfterDrive(before);
}

void CurlEventLoop::DriveAll() {
    kickPending_ = false;
    const uint64_t before = curlCallbacks_;
    int stillRunning = 0;
    curl_multi_socket_all(multi_, &stillRunning);
    AfterDrive(before);
}

void CurlEventLoop::AfterDrive(uint64_t before) {
    if (!DeliverFinished()) return;
    if (running_.empty() || curlCallbacks_ == before || kickPending_ || kicksInARow_ >= 3) return;
    ++kicksInARow_;
    kickPending_ = true;
    QTimer::singleShot(0, this, &CurlEventLoop::DriveAll);
}

bool CurlEventLoop::DeliverFinished() {
    std::vector<std::pair<Done, CURLcode>> finished;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        CURL* easy = message->easy_handle;
        CURLcode code = message->data.result;
        auto found = running_.find(easy);
        if (found == running_.end()) continue;
        finished.emplace_back(std::move(found->second), code);
        running_.erase(found);
        curl_multi_remove_handle(multi_, easy);
    }
    if (running_.empty()) heartbeat_.stop();
    // A callback may start new transfers or destroy this loop; nothing of
    // the loop is touched after a callback that destroyed it.
    QPointer<CurlEventLoop> alive(this);
    for (auto& [done, code] : finished) {
        if (!alive) return false;
        if (done) done(code);
    }
    return static_cast<bool>(alive);
}

}  // namespace update
