#include "platform/net/qt_download_service.h"

#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace ch {

namespace {

// Asks the platform for the proxy of every request (http_proxy, no_proxy and the desktop's
// settings), per manager rather than for the whole process.
class SystemProxyFactory final : public QNetworkProxyFactory {
  public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        return systemProxyForQuery(query);
    }
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Addresses arrive as the bytes found on pages: each byte outside printable ASCII is escaped, so
// the server is asked for exactly those bytes whatever their encoding.
QUrl ToUrl(const std::string& address) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray encoded;
    for (unsigned char c : address) {
        if (c <= 0x20 || c >= 0x7F) {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0xF];
        } else {
            encoded += static_cast<char>(c);
        }
    }
    return QUrl::fromEncoded(encoded, QUrl::TolerantMode);
}

int HttpStatus(const QNetworkReply& reply) {
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

bool IsSuccess(int httpStatus) {
    return httpStatus >= 200 && httpStatus < 300;
}

}  // namespace

struct QtDownloadService::Read {
    std::uint64_t id = 0;
    std::string name;
    QNetworkReply* reply = nullptr;
    FileHandle file;  // empty for reads kept in memory
    QByteArray body;
    std::int64_t received = 0;
    bool begun = false;
};

QtDownloadService::QtDownloadService(QtDownloadServiceOptions options, QObject* parent)
    : QObject(parent), options_(options) {
    manager_.setProxyFactory(new SystemProxyFactory);  // the manager owns it
    manager_.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

QtDownloadService::~QtDownloadService() {
    while (!reads_.empty()) Discard(Take(reads_.front()->id));
    DeleteEndedReplies();
}

void QtDownloadService::SetListener(ReadListener* listener) {
    listener_ = listener;
}

bool QtDownloadService::StartRead(const std::string& url, const std::string& name,
                                  const std::filesystem::path& bodyFile) {
    DeleteEndedReplies();
    const QUrl address = ToUrl(url);
    const QString scheme = address.scheme();
    if (!address.isValid() || address.host().isEmpty() || (scheme != "http" && scheme != "https"))
        return false;
    auto read = std::make_unique<Read>();
    if (!bodyFile.empty()) {
        read->file.reset(std::fopen(bodyFile.c_str(), "wb"));
        if (!read->file) return false;
        // Unbuffered: the file holds every byte reported so far (Qt hands over large chunks).
        std::setvbuf(read->file.get(), nullptr, _IONBF, 0);
    }
    QNetworkRequest request(address);
    request.setMaximumRedirectsAllowed(options_.maxRedirects);
    request.setTransferTimeout(static_cast<int>(options_.transferTimeout.count()));
    read->id = nextId_++;
    read->name = name;
    read->reply = manager_.get(request);
    // Bounded for pages too: without it Qt's network thread may run far ahead of an endless body.
    read->reply->setReadBufferSize(options_.fileReadBufferBytes);
    Connect(read->id, read->reply);
    reads_.push_back(std::move(read));
    return true;
}

void QtDownloadService::CancelRead(const std::string& name) {
    for (const auto& read : reads_) {
        if (read->name != name) continue;
        Discard(Take(read->id));
        return;
    }
}

QtDownloadService::Read* QtDownloadService::Find(std::uint64_t id) const {
    for (const auto& read : reads_)
        if (read->id == id) return read.get();
    return nullptr;
}

std::unique_ptr<QtDownloadService::Read> QtDownloadService::Take(std::uint64_t id) {
    for (auto read = reads_.begin(); read != reads_.end(); ++read) {
        if ((*read)->id != id) continue;
        std::unique_ptr<Read> taken = std::move(*read);
        reads_.erase(read);
        return taken;
    }
    return nullptr;
}

// Nothing of the read reaches the listener afterwards: abort() emits finished() at once, so the
// reply is disconnected first. The reply may be the sender of the signal being handled, so it is
// deleted later, by DeleteEndedReplies.
void QtDownloadService::Discard(std::unique_ptr<Read> read) {
    if (!read) return;
    QObject::disconnect(read->reply, nullptr, this, nullptr);
    read->reply->abort();
    endedReplies_.push_back(read->reply);
    read->file.reset();
}

// Only safe while no reply is inside the emission of a signal to us. deleteLater() is no help: the
// listener's parsers run event loops of their own inside our handlers, and a program that waits
// through processEvents() without exec() would never delete a reply ended outside any event.
void QtDownloadService::DeleteEndedReplies() {
    if (handlerDepth_ > 0) return;
    for (QNetworkReply* reply : endedReplies_) delete reply;
    endedReplies_.clear();
}

template <typename Handler>
auto QtDownloadService::Handled(std::uint64_t id, Handler handler) {
    return [this, id, handler](auto&&... arguments) {
        DeleteEndedReplies();
        ++handlerDepth_;
        (this->*handler)(id, arguments...);
        --handlerDepth_;
    };
}

void QtDownloadService::Connect(std::uint64_t id, QNetworkReply* reply) {
    connect(reply, &QNetworkReply::socketStartedConnecting, this,
            Handled(id, &QtDownloadService::OnConnecting));
    connect(reply, &QNetworkReply::requestSent, this,
            Handled(id, &QtDownloadService::OnRequestSent));
    connect(reply, &QNetworkReply::redirected, this, Handled(id, &QtDownloadService::OnRedirected));
    connect(reply, &QNetworkReply::metaDataChanged, this,
            Handled(id, &QtDownloadService::OnHeaders));
    connect(reply, &QNetworkReply::readyRead, this, Handled(id, &QtDownloadService::OnData));
    connect(reply, &QNetworkReply::finished, this, Handled(id, &QtDownloadService::OnFinished));
}

void QtDownloadService::OnConnecting(std::uint64_t id) {
    Notify(id, ReadStatus::Connecting);
}

void QtDownloadService::OnRequestSent(std::uint64_t id) {
    Notify(id, ReadStatus::SendingRequest);
}

void QtDownloadService::OnRedirected(std::uint64_t id, const QUrl& target) {
    Notify(id, ReadStatus::Redirecting, target.toString(QUrl::FullyEncoded).toStdString());
}

void QtDownloadService::Notify(std::uint64_t id, int status, const std::string& text,
                               std::int64_t done, std::int64_t total) {
    const Read* read = Find(id);
    if (!read || !listener_) return;
    // A copy: the listener may cancel the read, which ends the Read and its name.
    const std::string name = read->name;
    listener_->ReadProgress(name, status, text, done, total);
}

void QtDownloadService::OnHeaders(std::uint64_t id) {
    Read* read = Find(id);
    // The headers of a redirect that is being followed are not the start of the data.
    if (!read || read->begun || !IsSuccess(HttpStatus(*read->reply))) return;
    read->begun = true;
    Notify(id, ReadStatus::BeginDownloadData);
}

// Progress is reported from here rather than from downloadProgress(), which Qt holds back to one
// signal per 100 ms: the last bytes before a stall would never be reported.
void QtDownloadService::OnData(std::uint64_t id) {
    Read* read = Find(id);
    if (!read) return;
    const QByteArray data = read->reply->readAll();
    if (!IsSuccess(HttpStatus(*read->reply))) return;  // the page of an error status is dropped
    read->received += data.size();
    if (read->file) {
        if (std::fwrite(data.constData(), 1, static_cast<std::size_t>(data.size()),
                        read->file.get()) != static_cast<std::size_t>(data.size())) {
            Fail(id, std::string(kBodyNotWritten) + ": " + std::strerror(errno));
            return;
        }
    } else {
        read->body += data;
        if (read->body.size() > options_.maxPageBytes) {
            Fail(id, "page too large");
            return;
        }
    }
    // Only what the server announced counts as the total: 0 when it announced nothing.
    const QVariant announced = read->reply->header(QNetworkRequest::ContentLengthHeader);
    Notify(id, ReadStatus::DownloadingData, {}, read->received,
           announced.isValid() ? announced.toLongLong() : 0);
}

void QtDownloadService::OnFinished(std::uint64_t id) {
    Read* read = Find(id);
    if (!read) return;
    QNetworkReply& reply = *read->reply;
    std::string failure;
    const int status = HttpStatus(reply);
    if (reply.error() == QNetworkReply::OperationCanceledError) {
        failure = kTimedOutText;  // our own cancels never get here: Discard disconnects first
    } else if (status >= 400) {
        // The code itself, not Qt's wording of it: a search engine's 429 or 403 is a refusal.
        failure = "HTTP status " + std::to_string(status);
    } else if (reply.error() != QNetworkReply::NoError) {
        failure = reply.errorString().toStdString();
    } else if (!IsSuccess(status)) {
        failure = "HTTP status " + std::to_string(status);
    } else if (const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
               length.isValid() && length.toLongLong() != read->received) {
        failure = "body shorter than announced";
    }
    if (read->file && std::fclose(read->file.release()) != 0 && failure.empty())
        failure = std::string(kBodyNotWritten) + ": " + std::strerror(errno);
    if (!failure.empty()) {
        Fail(id, failure);
        return;
    }
    Notify(id, ReadStatus::EndDownloadData, {}, read->received, read->received);
    std::unique_ptr<Read> done = Take(id);
    if (!done) return;  // cancelled by the listener meanwhile
    const ReadBody body{done->body.toStdString(), done->received};
    const std::string name = done->name;
    Discard(std::move(done));
    if (listener_) listener_->ReadComplete(name, ReadStatus::EndDownloadData, body);
}

void QtDownloadService::Fail(std::uint64_t id, const std::string& why) {
    std::unique_ptr<Read> read = Take(id);
    if (!read) return;
    const std::string name = read->name;
    const std::int64_t received = read->received;
    Discard(std::move(read));
    if (listener_) listener_->ReadProgress(name, ReadStatus::Error, why, received, 0);
}

}  // namespace ch
