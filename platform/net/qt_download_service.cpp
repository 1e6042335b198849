#include "platform/net/qt_download_service.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QLocale>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimeZone>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "engine/product.h"

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

// The seconds a Retry-After header asks to wait: a number of seconds or an HTTP date; nothing
// when it is missing or unreadable.
std::optional<qint64> RetryAfterSeconds(const QNetworkReply& reply) {
    const QString value = QString::fromLatin1(reply.rawHeader("Retry-After")).trimmed();
    if (value.isEmpty()) return std::nullopt;
    bool number = false;
    const qint64 seconds = value.toLongLong(&number);
    if (number) return std::max<qint64>(seconds, 0);
    QDateTime date = QDateTime::fromString(value, Qt::RFC2822Date);
    if (!date.isValid()) {
        date = QLocale::c().toDateTime(value, "ddd, dd MMM yyyy hh:mm:ss 'GMT'");
        date.setTimeZone(QTimeZone::utc());
    }
    if (!date.isValid()) return std::nullopt;
    return std::max<qint64>(QDateTime::currentDateTimeUtc().secsTo(date), 0);
}

bool IsSuccess(int httpStatus) {
    return httpStatus >= 200 && httpStatus < 300;
}

// A body file, opened without following a link planted under its name; the bytes of a partial
// body are kept until the answer says whether it continues them.
FileHandle OpenBody(const std::filesystem::path& file, bool keepBytes) {
    const int fd =
        ::open(file.c_str(),
               O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (keepBytes ? 0 : O_TRUNC), 0644);
    if (fd < 0) return nullptr;
    FileHandle handle(::fdopen(fd, "wb"));
    if (!handle) ::close(fd);
    return handle;
}

// The first byte of "bytes FIRST-LAST/SIZE" and SIZE (0 when "*"); nullopt when malformed.
std::optional<std::pair<std::int64_t, std::int64_t>> ContentRange(const QByteArray& value) {
    const QByteArray text = value.trimmed();
    if (!text.startsWith("bytes ")) return std::nullopt;
    const qsizetype dash = text.indexOf('-'), slash = text.indexOf('/');
    if (dash < 0 || slash < dash) return std::nullopt;
    bool ok = false;
    const std::int64_t first = text.mid(6, dash - 6).trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    const QByteArray size = text.mid(slash + 1).trimmed();
    return std::pair(first, size == "*" ? 0 : size.toLongLong());
}

// A page read answered with a body that is no page: it is dropped before any byte is held.
bool IsMediaType(const std::string& contentType) {
    std::string type = QByteArray::fromStdString(contentType).trimmed().toLower().toStdString();
    type = type.substr(0, type.find(';'));
    while (!type.empty() && type.back() == ' ') type.pop_back();
    return type.starts_with("video/") || type.starts_with("audio/") || type.starts_with("image/") ||
           type == "application/octet-stream";
}

}  // namespace

struct QtDownloadService::Read {
    std::uint64_t id = 0;
    std::string name;
    QNetworkReply* reply = nullptr;
    FileHandle file;  // empty for reads kept in memory
    QByteArray body;
    std::int64_t received = 0;
    std::int64_t rangeStart = 0;  // asked for: the partial body already in the file
    std::int64_t offset = 0;      // where this answer's body starts in the file
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
    return ResumeRead(url, name, bodyFile, {});
}

bool QtDownloadService::ResumeRead(const std::string& url, const std::string& name,
                                   const std::filesystem::path& bodyFile,
                                   const ReadOptions& options) {
    DeleteEndedReplies();
    const QUrl address = ToUrl(url);
    const QString scheme = address.scheme();
    if (!address.isValid() || address.host().isEmpty() || (scheme != "http" && scheme != "https"))
        return false;
    auto read = std::make_unique<Read>();
    if (!bodyFile.empty()) {
        read->rangeStart = std::max<std::int64_t>(options.rangeStart, 0);
        read->file = OpenBody(bodyFile, read->rangeStart > 0);
        if (!read->file) return false;
        // Unbuffered: the file holds every byte reported so far (Qt hands over large chunks).
        std::setvbuf(read->file.get(), nullptr, _IONBF, 0);
    }
    QNetworkRequest request(address);
    request.setMaximumRedirectsAllowed(options_.maxRedirects);
    request.setTransferTimeout(static_cast<int>(options_.transferTimeout.count()));
    request.setRawHeader("User-Agent", kUserAgent);
    if (read->rangeStart > 0) {
        request.setRawHeader("Range", "bytes=" + QByteArray::number(read->rangeStart) + "-");
        if (!options.validator.empty())
            request.setRawHeader("If-Range", QByteArray::fromStdString(options.validator));
    }
    read->id = nextId_++;
    read->name = name;
    read->reply = manager_.get(request);
    // Bounded for pages too: without it Qt's network thread may run far ahead of an endless body.
    read->reply->setReadBufferSize(
        read->file ? options_.fileReadBufferBytes
                   : std::min(options_.fileReadBufferBytes, options_.maxPageBytes + 1));
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
    QNetworkReply& reply = *read->reply;
    ResponseHead head;
    head.httpStatus = HttpStatus(reply);
    head.contentType = reply.rawHeader("Content-Type").toStdString();
    head.validator = reply.rawHeader(reply.hasRawHeader("ETag") ? "ETag" : "Last-Modified")
                         .trimmed()
                         .toStdString();
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    head.fullSize = length.isValid() ? length.toLongLong() : 0;
    if (!read->file && IsMediaType(head.contentType))
        return Fail(id, "not a page: " + head.contentType);
    if (read->file && read->rangeStart > 0) {
        // Only a 206 that starts where the partial body stops continues it; a 200 is the whole
        // body again, written over the partial one.
        const auto range = ContentRange(reply.rawHeader("Content-Range"));
        if (head.httpStatus == 206 && (!range || range->first != read->rangeStart))
            return Fail(id, std::string(kRangeRefused));
        read->offset = head.httpStatus == 206 ? read->rangeStart : 0;
        if (std::fflush(read->file.get()) != 0 ||
            ::ftruncate(::fileno(read->file.get()), read->offset) != 0 ||
            std::fseek(read->file.get(), read->offset, SEEK_SET) != 0)
            return Fail(id, std::string(kBodyNotWritten) + ": " + std::strerror(errno));
        head.rangeStart = read->offset;
        if (read->offset > 0) head.fullSize = range->second;
    }
    if (listener_) {
        const std::string name = read->name;
        listener_->ReadHead(name, head);
    }
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
    Notify(id, ReadStatus::DownloadingData, {}, read->offset + read->received,
           announced.isValid() ? read->offset + announced.toLongLong() : 0);
}

void QtDownloadService::OnFinished(std::uint64_t id) {
    Read* read = Find(id);
    if (!read) return;
    QNetworkReply& reply = *read->reply;
    std::string failure;
    const int status = HttpStatus(reply);
    if (reply.error() == QNetworkReply::OperationCanceledError) {
        failure = kTimedOutText;  // our own cancels never get here: Discard disconnects first
    } else if (status == 416 && read->rangeStart > 0) {
        failure = kRangeRefused;
    } else if (status >= 400) {
        // The code itself, not Qt's wording of it: a search engine's 429 or 403 is a refusal.
        failure = "HTTP status " + std::to_string(status);
        if (status == 429 || status == 503)
            if (const auto seconds = RetryAfterSeconds(reply))
                failure += std::string(kRetryAfter) + std::to_string(*seconds);
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
    const std::int64_t size = read->offset + read->received;
    Notify(id, ReadStatus::EndDownloadData, {}, size, size);
    std::unique_ptr<Read> done = Take(id);
    if (!done) return;  // cancelled by the listener meanwhile
    const ReadBody body{done->body.toStdString(), size};
    const std::string name = done->name;
    Discard(std::move(done));
    if (listener_) listener_->ReadComplete(name, ReadStatus::EndDownloadData, body);
}

void QtDownloadService::Fail(std::uint64_t id, const std::string& why) {
    std::unique_ptr<Read> read = Take(id);
    if (!read) return;
    const std::string name = read->name;
    const std::int64_t received = read->offset + read->received;
    Discard(std::move(read));
    if (listener_) listener_->ReadProgress(name, ReadStatus::Error, why, received, 0);
}

}  // namespace ch
