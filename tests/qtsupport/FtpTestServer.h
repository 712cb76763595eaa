// A local FTP server for the update tests and benchmarks: ftp_server.py
// (pyftpdlib) serving one folder to one account on 127.0.0.1, on a free port
// the server picks itself. It writes the port into a file of a folder of
// this object's, and it ends once that file is gone, which Stop() and the
// destructor see to (and kill it besides).
//
// Files rather than the standard streams and a kill: a Windows test under
// Wine starts the same Linux interpreter, handing it the Linux paths of the
// script and the folders, and Wine neither connects a Linux program's
// standard output to a pipe nor ends it on a kill.
//
// The interpreter is the first of /usr/bin/python3 (where the system's
// python3-pyftpdlib lives) and the python3 on the PATH that starts the
// server; when none does, Port() is 0 and Failure() says why.
//
// Thread safety: one thread.
#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

#include "qtsupport/HostPath.h"

namespace testing_support {

class FtpTestServer {
  public:
    // `script`: the path of ftp_server.py; `options`: its misbehaviour
    // options ("--retr", "drop", ...).
    FtpTestServer(const QString& script, const QString& root, const QString& user,
                  const QString& password, const QStringList& options = {}) {
        QStringList arguments = {HostPath(script), "--root", HostPath(root), "--user", user};
        arguments << "--password" << password << "--port-file" << HostPath(PortFile());
        arguments << options;
        for (const QString& python :
             {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
            if (Start(python, arguments)) return;
        }
    }
    ~FtpTestServer() { Stop(); }
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    int Port() const { return port_; }
    const QString& Failure() const { return failure_; }

  private:
    QString PortFile() const { return lifeline_.filePath(QStringLiteral("port")); }

    bool Start(const QString& python, const QStringList& arguments) {
        Stop();
        process_ = std::make_unique<QProcess>();
        process_->start(python, arguments);
        if (!process_->waitForStarted(10000)) {
            failure_ += python + ": " + process_->errorString() + "\n";
            return false;
        }
        QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired() && process_->state() == QProcess::Running) {
            QFile file(PortFile());
            if (file.open(QIODevice::ReadOnly)) {
                const QByteArray text = file.readAll();
                if (text.startsWith("PORT ") && text.endsWith('\n')) {
                    port_ = text.mid(5).trimmed().toInt();
                    if (port_ > 0) return true;
                }
            }
            QThread::msleep(20);
        }
        failure_ += python + ": " + QString::fromLocal8Bit(process_->readAllStandardError()) + "\n";
        Stop();
        return false;
    }
    void Stop() {
        port_ = 0;
        if (!process_) return;
        QFile::remove(PortFile());
        if (process_->state() != QProcess::NotRunning && !process_->waitForFinished(2000)) {
            process_->kill();
            process_->waitForFinished(2000);
        }
        process_.reset();
    }

    QTemporaryDir lifeline_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
    QString failure_;
};

}  // namespace testing_support
