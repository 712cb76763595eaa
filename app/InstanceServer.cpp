#include "app/InstanceServer.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include "core/EnginePath.h"
#include "platform/InstanceHandOver.h"
#if defined(_WIN32)
#include "platform/Platform.h"
#include "platform/WindowsSingleInstance.h"
#endif

namespace app {

// One later copy's connection: splits what it sends into arguments, passes
// each to the server and answers it at once. Deletes itself (and its
// socket) when the connection closes, breaks or sends a bad frame.
class InstanceServer::Connection : public QObject {
  public:
    Connection(QLocalSocket* socket, InstanceServer& server)
        : QObject(&server), socket_(socket), server_(server) {
        socket_->setParent(this);
        connect(socket_, &QLocalSocket::readyRead, this, &Connection::Read);
        connect(socket_, &QLocalSocket::disconnected, this, [this] {
            // What came whole before the end still counts.
            Read();
            deleteLater();
        });
        // Bytes that came with the connection are read from the loop too.
        QMetaObject::invokeMethod(this, &Connection::Read, Qt::QueuedConnection);
    }

  private:
    void Read() {
        if (decoder_.Broken()) return;
        if (socket_->state() != QLocalSocket::ConnectedState && socket_->bytesAvailable() == 0)
            return;
        const QByteArray bytes = socket_->readAll();
        decoder_.Feed(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
        QByteArray answers;
        while (std::optional<std::string> argument = decoder_.Next()) {
            server_.Receive(core::FromEnginePath(*argument));
            answers += static_cast<char>(platform::kHandOverAck);
        }
        if (!answers.isEmpty() && socket_->state() == QLocalSocket::ConnectedState) {
            socket_->write(answers);
            socket_->flush();
        }
        if (decoder_.Broken()) {
            // Whatever follows a bad frame is no argument of ours.
            socket_->abort();
            deleteLater();
        }
    }

    QLocalSocket* socket_;
    InstanceServer& server_;
    platform::HandOverDecoder decoder_;
};

InstanceServer::InstanceServer(intptr_t listener, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)) {
#if defined(_WIN32)
    // A named pipe is not handed over as a descriptor: the first copy
    // listens under the pipe name later starts of the same program file
    // connect to.
    (void)listener;
    const std::string program = platform::CurrentPlatform().ProgramFilePath();
    if (!program.empty())
        server_->listen(QString::fromStdString(platform::WindowsInstancePipeName(program)));
#else
    if (listener >= 0) server_->listen(static_cast<qintptr>(listener));
#endif
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::Accept);
    // A dialog that keeps arguments waiting is looked at again now and then;
    // nothing tells the program when it closes.
    retry_.setInterval(200);
    connect(&retry_, &QTimer::timeout, this, &InstanceServer::DeliverPending);
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::Listening() const {
    return server_->isListening();
}

void InstanceServer::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto* connection = new Connection(socket, *this);
        ++connections_;
        connect(connection, &QObject::destroyed, this, [this] { --connections_; });
        if (onConnection) onConnection();
    }
}

void InstanceServer::Receive(const QString& argument) {
    queue_.push_back(argument);
    ScheduleDelivery();
}

void InstanceServer::ScheduleDelivery() {
    if (scheduled_) return;
    scheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            scheduled_ = false;
            DeliverPending();
        },
        Qt::QueuedConnection);
}

bool InstanceServer::MayDeliver() const {
    return !delivering_ && (!canDeliver || canDeliver());
}

void InstanceServer::DeliverPending() {
    // A delivery under way (its box runs a nested loop) goes on with the
    // queue once it returns.
    if (delivering_) return;
    while (!queue_.empty() && MayDeliver()) {
        const QString argument = queue_.front();
        queue_.pop_front();
        struct Delivering {
            bool& flag;
            explicit Delivering(bool& f) : flag(f) { flag = true; }
            ~Delivering() { flag = false; }
        } delivering(delivering_);
        if (onArgument) onArgument(argument);
    }
    if (queue_.empty())
        retry_.stop();
    else if (!retry_.isActive())
        retry_.start();
}

}  // namespace app
