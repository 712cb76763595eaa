// A local FTP server for the update tests and benchmarks: ftp_server.py
// (pyftpdlib) serving one folder to one account on 127.0.0.1, on a free port
// the server picks itself and reports on its standard output. The server
// ends with this object.
//
// The interpreter is the first of /usr/bin/python3 (where the system's
// python3-pyftpdlib lives) and the python3 on the PATH that starts the
// server; when none does, Port() is 0 and Failure() says why.
//
// Thread safety: one thread.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

namespace testing_support {

class FtpTestServer {
  public:
    // `script`: the path of ftp_server.py; `options`: its misbehaviour
    // options ("--retr", "drop", ...).
    FtpTestServer(const QString& script, const QString& root, const QString& user,
                  const QString& password, const QStringList& options = {}) {
        const QStringList arguments =
            QStringList{script, "--root", root, "--user", user, "--password", password} + options;
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
    bool Start(const QString& python, const QStringList& arguments) {
        Stop();
        process_ = std::make_unique<QProcess>();
        process_->start(python, arguments);
        if (!process_->waitForStarted(10000)) {
            failure_ += python + ": " + process_->errorString() + "\n";
            return false;
        }
        QByteArray output;
        QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired() && process_->state() == QProcess::Running) {
            process_->waitForReadyRead(100);
            output += process_->readAllStandardOutput();
            const qsizetype at = output.indexOf("PORT ");
            const qsizetype end = output.indexOf('\n', at);
            if (at >= 0 && end > at) {
                port_ = output.mid(at + 5, end - at - 5).trimmed().toInt();
                if (port_ > 0) return true;
            }
        }
        failure_ += python + ": " + QString::fromLocal8Bit(process_->readAllStandardError()) + "\n";
        Stop();
        return false;
    }
    void Stop() {
        port_ = 0;
        if (!process_) return;
        if (process_->state() != QProcess::NotRunning) {
            process_->kill();
            process_->waitForFinished(10000);
        }
        process_.reset();
    }

    std::unique_ptr<QProcess> process_;
    int port_ = 0;
    QString failure_;
};

}  // namespace testing_support
