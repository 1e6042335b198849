#include "tools/simweb/tls_tunnels.h"

#include <unistd.h>

#include <QFile>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpSocket>
#include <QThread>
#include <memory>
#include <stdexcept>

namespace ch::simweb {

namespace {

constexpr qint64 kReadBufferBytes = 256 * 1024;
// Bytes a client has not taken yet; above it the relay stops reading the plain answer, so that a
// large video is not held in memory.
constexpr qint64 kMaxPendingBytes = 1024 * 1024;

QByteArray FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path);
    return file.readAll();
}

}  // namespace

class TunnelRelay : public QObject {
  public:
    TunnelRelay(QSslConfiguration configuration, const std::atomic<std::uint16_t>& plainPort)
        : configuration_(std::move(configuration)), plainPort_(plainPort) {}

    void Take(int fd) {
        auto* tls = new QSslSocket(this);
        if (!tls->setSocketDescriptor(fd)) {
            ::close(fd);
            delete tls;
            return;
        }
        tls->setSslConfiguration(configuration_);
        auto* plain = new QTcpSocket(tls);  // goes with the tunnel
        plain->setReadBufferSize(kReadBufferBytes);

        const auto forward = [tls, plain] {
            if (plain->state() == QAbstractSocket::ConnectedState) plain->write(tls->readAll());
        };
        // Set once the plain answer has ended: the tunnel closes when the client has it all.
        const auto answered = std::make_shared<bool>(false);
        const auto backward = [tls, plain, answered] {
            while (plain->bytesAvailable() > 0 &&
                   tls->bytesToWrite() + tls->encryptedBytesToWrite() < kMaxPendingBytes)
                tls->write(plain->read(kReadBufferBytes));
            if (*answered && plain->bytesAvailable() == 0 &&
                tls->state() == QAbstractSocket::ConnectedState)
                tls->disconnectFromHost();  // after what is still to be sent
        };
        connect(tls, &QSslSocket::encrypted, plain,
                [this, plain] { plain->connectToHost(QHostAddress::LocalHost, plainPort_); });
        connect(plain, &QTcpSocket::connected, tls, forward);
        connect(tls, &QSslSocket::readyRead, plain, forward);
        connect(plain, &QTcpSocket::readyRead, tls, backward);
        const auto ended = [answered, backward] {
            *answered = true;
            backward();
        };
        connect(plain, &QTcpSocket::disconnected, tls, ended);
        connect(plain, &QTcpSocket::errorOccurred, tls, ended);  // a reset, or no server
        connect(tls, &QSslSocket::encryptedBytesWritten, plain, backward);
        connect(tls, &QSslSocket::errorOccurred, tls, [tls] {
            if (tls->state() != QAbstractSocket::ConnectedState) tls->deleteLater();
        });
        connect(tls, &QSslSocket::disconnected, tls, &QObject::deleteLater);
        tls->startServerEncryption();
    }

  private:
    const QSslConfiguration configuration_;
    const std::atomic<std::uint16_t>& plainPort_;
};

TlsTunnels::TlsTunnels(const std::string& certificateFile, const std::string& keyFile) {
    if (!QSslSocket::supportsSsl()) throw std::runtime_error("Qt has no TLS back end here");
    const auto chain = QSslCertificate::fromData(FileBytes(certificateFile), QSsl::Pem);
    if (chain.isEmpty()) throw std::runtime_error("no PEM certificate in " + certificateFile);
    const QByteArray keyBytes = FileBytes(keyFile);
    QSslKey key(keyBytes, QSsl::Ec);
    if (key.isNull()) key = QSslKey(keyBytes, QSsl::Rsa);
    if (key.isNull()) throw std::runtime_error("no unencrypted PEM key in " + keyFile);

    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificateChain(chain);
    configuration.setPrivateKey(key);
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);

    thread_ = std::make_unique<QThread>();
    relay_ = new TunnelRelay(configuration, plainPort_);
    relay_->moveToThread(thread_.get());
    QObject::connect(thread_.get(), &QThread::finished, relay_, &QObject::deleteLater);
    thread_->start();
}

TlsTunnels::~TlsTunnels() {
    thread_->quit();
    thread_->wait();
}

void TlsTunnels::Take(int fd) {
    QMetaObject::invokeMethod(
        relay_, [relay = relay_, fd] { relay->Take(fd); }, Qt::QueuedConnection);
}

}  // namespace ch::simweb
