#include "tools/simweb/server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <list>
#include <map>
#include <optional>
#include <system_error>

#include "tools/simweb/generated_body.h"
#include "tools/simweb/http_request.h"

namespace ch::simweb {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kMaxHeadBytes = 64 * 1024;
constexpr std::int64_t kChunkBytes = 64 * 1024;

std::system_error SystemError(const char* what) {
    return std::system_error(errno, std::generic_category(), what);
}

const char* ReasonPhrase(int status) {
    static const std::map<int, const char*> phrases = {{200, "OK"},
                                                       {301, "Moved Permanently"},
                                                       {302, "Found"},
                                                       {303, "See Other"},
                                                       {307, "Temporary Redirect"},
                                                       {308, "Permanent Redirect"},
                                                       {400, "Bad Request"},
                                                       {403, "Forbidden"},
                                                       {404, "Not Found"},
                                                       {405, "Method Not Allowed"},
                                                       {416, "Range Not Satisfiable"},
                                                       {429, "Too Many Requests"},
                                                       {500, "Internal Server Error"},
                                                       {503, "Service Unavailable"}};
    const auto found = phrases.find(status);
    return found == phrases.end() ? "Status" : found->second;
}

std::string RetryAfterValue(const Response& response) {
    if (!response.retryAfterDate) return std::to_string(response.retryAfter);
    const std::time_t when = std::time(nullptr) + response.retryAfter;
    std::tm utc{};
    gmtime_r(&when, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

std::string HeadOf(const Response& response) {
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " +
                       ReasonPhrase(response.status) + "\r\n";
    for (int line = 0; std::ssize(head) < response.headerBytes; ++line)
        head += "X-Filler-" + std::to_string(line) + ": " + std::string(8000, 'h') + "\r\n";
    head += "Content-Type: " + response.contentType + "\r\n";
    if (!response.encoding.empty()) head += "Content-Encoding: " + response.encoding + "\r\n";
    if (response.chunked) {
        head += "Transfer-Encoding: chunked\r\n";
    } else if (response.announceLength) {
        const std::int64_t length = response.announcedLength >= 0
                                        ? response.announcedLength
                                        : response.BodySize() - response.bodyOffset;
        head += "Content-Length: " + std::to_string(length) + "\r\n";
    }
    if (!response.contentRange.empty()) head += "Content-Range: " + response.contentRange + "\r\n";
    if (!response.etag.empty()) head += "ETag: " + response.etag + "\r\n";
    if (!response.lastModified.empty()) head += "Last-Modified: " + response.lastModified + "\r\n";
    if (!response.location.empty()) head += "Location: " + response.location + "\r\n";
    if (response.retryAfter >= 0) head += "Retry-After: " + RetryAfterValue(response) + "\r\n";
    head += "Connection: close\r\n\r\n";
    return head;
}

struct Connection {
    enum class Phase { Reading, Waiting, Writing, Stalled };

    int fd = -1;
    Phase phase = Phase::Reading;
    std::string in;
    SteadyClock::time_point due;
    std::string url;
    Response response;
    bool sendBody = true;
    std::string out;
    std::size_t outSent = 0;
    std::int64_t bodyQueued = 0;  // the offset in the body of the next byte to queue
    bool chunkEnded = false;
    bool reset = false;
    bool tunnel = false;  // handed to ServerOptions::tunnel once the 200 is sent
    bool paced = false;   // the body piece just sent has had its pause

    // How much of the body is sent before the answer ends, stalls or breaks off.
    std::int64_t BodyLimit() const {
        if (!sendBody) return 0;
        const std::int64_t size = response.BodySize();
        const std::int64_t cut = std::max(response.stallAfter, response.resetAfter);
        return cut >= 0 ? std::min(cut, size) : size;
    }
};

// "Range: bytes=N-" as the downloads ask it; anything else is no range.
std::optional<std::int64_t> RangeStart(const std::string& range) {
    if (!range.starts_with("bytes=") || !range.ends_with("-")) return std::nullopt;
    const std::string digits = range.substr(6, range.size() - 7);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoll(digits);
}

// Turns a whole answer into the part a range request asks for, as its validators allow.
void ApplyRange(Response& response, const RequestHead& request, std::size_t requestNumber) {
    if (response.etagPerRequest) response.etag = "\"v" + std::to_string(requestNumber) + "\"";
    const std::optional<std::int64_t> start = RangeStart(request.range);
    if (!start || response.status != 200 || response.ranges == Response::Ranges::Ignore) return;
    const bool current =
        request.ifRange.empty() || (!response.etag.empty() && request.ifRange == response.etag) ||
        (!response.lastModified.empty() && request.ifRange == response.lastModified);
    if (!current) return;  // the file changed: the whole of it
    const std::int64_t size = response.BodySize();
    if (response.ranges == Response::Ranges::Refuse || *start >= size) {
        response.status = 416;
        response.contentRange = "bytes */" + std::to_string(size);
        response.body.clear();
        response.generatedSize = -1;
        response.chunked = false;
        return;
    }
    const std::int64_t from = response.ranges == Response::Ranges::Shift
                                  ? std::max<std::int64_t>(0, *start - 1000)
                                  : *start;
    response.status = 206;
    response.bodyOffset = from;
    response.contentRange = "bytes " + std::to_string(from) + "-" + std::to_string(size - 1) + "/" +
                            std::to_string(size);
}

}  // namespace

// The poll loop of the server's thread: one state machine per connection.
class Server::Loop {
  public:
    explicit Loop(Server& server) : server_(server) {}

    void Run() {
        for (;;) {
            std::vector<pollfd> fds{{server_.wakeFds_[0], POLLIN, 0},
                                    {server_.listenFd_, POLLIN, 0}};
            for (const auto& c : connections_) fds.push_back({c.fd, EventsOf(c), 0});
            if (poll(fds.data(), fds.size(), TimeoutMs()) < 0 && errno != EINTR) break;
            if (fds[0].revents != 0) break;
            auto c = connections_.begin();
            for (auto entry = fds.begin() + 2; entry != fds.end(); ++entry)
                c = Serve(*c, entry->revents) ? std::next(c) : Close(c);
            if (fds[1].revents & POLLIN) Accept();
        }
        while (!connections_.empty()) Close(connections_.begin());
    }

  private:
    static short EventsOf(const Connection& c) {
        switch (c.phase) {
            case Connection::Phase::Reading:
            case Connection::Phase::Stalled:
                return POLLIN;
            case Connection::Phase::Writing:
                return POLLOUT;
            case Connection::Phase::Waiting:
                return 0;
        }
        return 0;
    }

    int TimeoutMs() const {
        int timeout = -1;
        const auto now = SteadyClock::now();
        for (const auto& c : connections_) {
            if (c.phase != Connection::Phase::Waiting) continue;
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(c.due - now).count();
            const int ms = static_cast<int>(std::max<long long>(0, left));
            timeout = timeout < 0 ? ms : std::min(timeout, ms);
        }
        return timeout;
    }

    void Accept() {
        for (;;) {
            const int fd =
                accept4(server_.listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) return;
            connections_.emplace_back().fd = fd;
            server_.CountConnection(+1);
        }
    }

    std::list<Connection>::iterator Close(std::list<Connection>::iterator c) {
        if (c->fd >= 0) {  // not handed over to a tunnel
            if (c->reset) {
                // Closing with a zero linger time sends a reset instead of an orderly end.
                const linger now{1, 0};
                setsockopt(c->fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
            } else {
                shutdown(c->fd, SHUT_RDWR);
            }
            close(c->fd);
        }
        server_.CountConnection(-1);
        return connections_.erase(c);
    }

    // Returns false when the connection is done with.
    bool Serve(Connection& c, short revents) {
        if (revents & (POLLERR | POLLNVAL)) return false;
        switch (c.phase) {
            case Connection::Phase::Reading:
                return (revents & (POLLIN | POLLHUP)) ? ReadHead(c) : true;
            case Connection::Phase::Waiting:
                if (SteadyClock::now() >= c.due) c.phase = Connection::Phase::Writing;
                return !(revents & POLLHUP);
            case Connection::Phase::Writing:
                return (revents & (POLLOUT | POLLHUP)) ? Write(c) : true;
            case Connection::Phase::Stalled:
                return (revents & (POLLIN | POLLHUP)) ? Drain(c) : true;
        }
        return false;
    }

    bool ReadHead(Connection& c) {
        char buffer[4096];
        const ssize_t got = recv(c.fd, buffer, sizeof buffer, 0);
        if (got == 0) return false;
        if (got < 0) return errno == EAGAIN || errno == EINTR;
        c.in.append(buffer, static_cast<std::size_t>(got));
        const auto end = c.in.find("\r\n\r\n");
        if (end == std::string::npos) {
            if (c.in.size() > kMaxHeadBytes) Answer(c, "?", Status(400), false);
            return true;
        }
        const auto request = ParseRequestHead(std::string_view(c.in).substr(0, end));
        if (!request) {
            Answer(c, "?", Status(400), false);
            return true;
        }
        if (request->method == "CONNECT" && server_.options_.tunnel) {
            OpenTunnel(c, request->url);
            return true;
        }
        c.url = CanonicalUrl(request->url);
        const std::size_t number = server_.Record(c.url);
        const bool known = request->method == "GET" || request->method == "HEAD";
        Response response = known ? server_.scenario_.Answer(c.url) : Status(405);
        ApplyRange(response, *request, number);
        Answer(c, request->method + " " + c.url, std::move(response), request->method == "GET",
               request->userAgent);
        return true;
    }

    // The log line: what was asked, the answer, then (after two blanks) when, in seconds since
    // the server started, and the User-Agent.
    void Answer(Connection& c, const std::string& what, Response response, bool sendBody,
                const std::string& userAgent = {}) {
        if (server_.options_.log) {
            char when[32];
            std::snprintf(when, sizeof when, "%.3f",
                          std::chrono::duration<double>(SteadyClock::now() - started_).count());
            server_.options_.log(
                what + " " + std::to_string(response.status) +
                (response.contentRange.empty() ? "" : " " + response.contentRange) + "  t=" + when +
                " ua=" + userAgent);
        }
        c.out = HeadOf(response);
        c.bodyQueued = response.bodyOffset;
        c.response = std::move(response);
        c.sendBody = sendBody;
        c.phase = c.response.silent ? Connection::Phase::Stalled : Connection::Phase::Waiting;
        c.due = SteadyClock::now() + std::chrono::milliseconds(server_.options_.delayMs);
    }

    void OpenTunnel(Connection& c, const std::string& authority) {
        if (server_.options_.log) server_.options_.log("CONNECT " + authority + " 200");
        c.out = "HTTP/1.1 200 Connection established\r\n\r\n";
        c.sendBody = false;
        c.tunnel = true;
        c.phase = Connection::Phase::Writing;
    }

    bool Write(Connection& c) {
        for (;;) {
            if (c.outSent == c.out.size() && c.tunnel) {
                server_.options_.tunnel(c.fd);
                c.fd = -1;
                return false;
            }
            if (c.outSent == c.out.size() && Pace(c)) return true;
            if (c.outSent == c.out.size() && !QueueBody(c)) {
                c.reset = c.sendBody && c.response.resetAfter >= 0;
                if (c.response.stallAfter < 0 || !c.sendBody) return false;
                c.phase = Connection::Phase::Stalled;
                return true;
            }
            const ssize_t sent =
                send(c.fd, c.out.data() + c.outSent, c.out.size() - c.outSent, MSG_NOSIGNAL);
            if (sent < 0) return errno == EAGAIN || errno == EINTR;
            c.outSent += static_cast<std::size_t>(sent);
        }
    }

    // With a body rate, waits after each body piece as long as sending it may take; true while
    // the connection waits.
    bool Pace(Connection& c) {
        const std::int64_t rate = server_.options_.bodyBytesPerSecond;
        if (rate <= 0 || c.bodyQueued <= c.response.bodyOffset || c.paced) {
            c.paced = false;
            return false;
        }
        c.paced = true;
        c.phase = Connection::Phase::Waiting;
        c.due = SteadyClock::now() + std::chrono::milliseconds(PieceBytes() * 1000 / rate);
        return true;
    }

    std::int64_t PieceBytes() const {
        const std::int64_t rate = server_.options_.bodyBytesPerSecond;
        // Ten pieces a second at most when paced, so progress moves smoothly.
        return rate > 0 ? std::clamp<std::int64_t>(rate / 10, 1, kChunkBytes) : kChunkBytes;
    }

    // Puts the next piece of the body in the send buffer; false when there is none.
    bool QueueBody(Connection& c) {
        const std::int64_t count = std::min(PieceBytes(), c.BodyLimit() - c.bodyQueued);
        c.outSent = 0;
        if (count <= 0) {
            // A chunked body cut short never gets its last chunk.
            if (!c.response.chunked || !c.sendBody || c.chunkEnded ||
                c.bodyQueued < c.response.BodySize())
                return false;
            c.chunkEnded = true;
            c.out = "0\r\n\r\n";
            return true;
        }
        c.out = c.response.generatedSize >= 0
                    ? GeneratedBytes(c.url, c.bodyQueued, count)
                    : c.response.body.substr(static_cast<std::size_t>(c.bodyQueued),
                                             static_cast<std::size_t>(count));
        if (c.response.chunked) {
            char size[32];
            std::snprintf(size, sizeof size, "%llx\r\n", static_cast<unsigned long long>(count));
            c.out = size + c.out + "\r\n";
        }
        c.bodyQueued += count;
        server_.CountBodyBytes(c.url, count);
        return true;
    }

    // A stalled answer keeps its connection until the client gives up.
    static bool Drain(Connection& c) {
        char buffer[4096];
        const ssize_t got = recv(c.fd, buffer, sizeof buffer, 0);
        return got > 0 || (got < 0 && (errno == EAGAIN || errno == EINTR));
    }

    Server& server_;
    std::list<Connection> connections_;
    SteadyClock::time_point started_ = SteadyClock::now();
};

Server::Server(Scenario scenario, ServerOptions options)
    : scenario_(std::move(scenario)), options_(std::move(options)) {}

Server::~Server() {
    Stop();
}

std::uint16_t Server::Start(std::uint16_t port) {
    if (thread_.joinable()) return port_;
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) throw SystemError("socket");
    const int on = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listenFd_, SOMAXCONN) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe2(wakeFds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        const auto error = SystemError("listen on 127.0.0.1");
        Stop();
        throw error;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Loop(*this).Run(); });
    return port_;
}

void Server::Stop() {
    if (thread_.joinable()) {
        const char wake = 1;
        (void)!write(wakeFds_[1], &wake, 1);
        thread_.join();
    }
    for (int* fd : {&listenFd_, &wakeFds_[0], &wakeFds_[1]}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

std::size_t Server::Record(const std::string& url) {
    std::lock_guard lock(mutex_);
    requests_.push_back(url);
    return static_cast<std::size_t>(std::count(requests_.begin(), requests_.end(), url));
}

void Server::CountBodyBytes(const std::string& url, std::int64_t count) {
    std::lock_guard lock(mutex_);
    bodyBytes_[url] += count;
}

std::int64_t Server::BodyBytesSent(std::string_view url) const {
    std::lock_guard lock(mutex_);
    const auto found = bodyBytes_.find(CanonicalUrl(url));
    return found == bodyBytes_.end() ? 0 : found->second;
}

void Server::CountConnection(int change) {
    std::lock_guard lock(mutex_);
    openConnections_ += change;
}

int Server::OpenConnections() const {
    std::lock_guard lock(mutex_);
    return openConnections_;
}

std::size_t Server::RequestCount(std::string_view url) const {
    const std::string canonical = CanonicalUrl(url);
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count(requests_.begin(), requests_.end(), canonical));
}

}  // namespace ch::simweb
