#include "app/InstanceServer.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <memory>

#include "platform/InstanceHandOver.h"

namespace app {

InstanceServer::InstanceServer(intptr_t listener, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)) {
    if (listener >= 0) server_->listen(static_cast<qintptr>(listener));
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
        socket->setParent(this);
        // The decoder lives as long as the connection's handler.
        auto decoder = std::make_shared<platform::HandOverDecoder>();
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, decoder] { Read(socket, *decoder); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QPointer<QLocalSocket> alive(socket);
        if (onConnection) onConnection();
        // Bytes that came with the connection.
        if (alive && socket->bytesAvailable() > 0) Read(socket, *decoder);
    }
}

void InstanceServer::Read(QLocalSocket* socket, platform::HandOverDecoder& decoder) {
    const QByteArray bytes = socket->readAll();
    decoder.Feed(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    QPointer<QLocalSocket> alive(socket);
    while (std::optional<std::string> argument = decoder.Next()) {
        const QString text = QFile::decodeName(QByteArray::fromStdString(*argument));
        if (MayDeliver() && queue_.empty()) {
            Deliver(text);
        } else {
            queue_.push_back(text);
            retry_.start();
        }
        // Delivering may have run a nested event loop that closed the
        // connection.
        if (!alive) return;
        const char ack = static_cast<char>(platform::kHandOverAck);
        socket->write(&ack, 1);
        socket->flush();
    }
    if (decoder.Broken()) socket->abort();
}

bool InstanceServer::MayDeliver() const {
    return !delivering_ && (!canDeliver || canDeliver());
}

void InstanceServer::Deliver(const QString& argument) {
    delivering_ = true;
    if (onArgument) onArgument(argument);
    delivering_ = false;
}

void InstanceServer::DeliverPending() {
    while (!queue_.empty() && MayDeliver()) {
        const QString argument = queue_.front();
        queue_.pop_front();
        Deliver(argument);
    }
    if (queue_.empty()) retry_.stop();
}

}  // namespace app
