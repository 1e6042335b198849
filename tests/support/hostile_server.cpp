#include "hostile_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <system_error>

#include "tools/simweb/generated_body.h"
#include "tools/simweb/http_request.h"

namespace ch::testing {

namespace {

constexpr std::size_t kMaxHeadBytes = 64 * 1024;
constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr std::int64_t kHugeHeaderBytes = 32 * 1024 * 1024;
constexpr std::int64_t kBombInflatedBytes = 512 * 1024 * 1024;
constexpr std::int64_t kLongBodyExtraBytes = 100'000;
constexpr std::size_t kTricklePieceBytes = 256;
constexpr auto kTricklePause = std::chrono::milliseconds(2);
constexpr int kPollMs = 50;

std::string Head(int status, std::string_view reason, const std::vector<std::string>& fields) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\n";
    for (const std::string& field : fields) head += field + "\r\n";
    return head + "Connection: close\r\nProxy-Connection: close\r\n\r\n";
}

std::string LengthField(std::int64_t length) {
    return "Content-Length: " + std::to_string(length);
}

}  // namespace

HostileServer::HostileServer(simweb::Scenario scenario,
                             std::map<std::string, HostileAnswer> hostile)
    : scenario_(std::move(scenario)), hostile_([&] {
          std::map<std::string, HostileAnswer> canonical;
          for (auto& [url, answer] : hostile) canonical[simweb::CanonicalUrl(url)] = answer;
          return canonical;
      }()) {}

HostileServer::~HostileServer() {
    Stop();
}

std::uint16_t HostileServer::Start() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) throw std::system_error(errno, std::generic_category(), "socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 64) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::system_error(errno, std::generic_category(), "listen");
    acceptor_ = std::thread([this] { AcceptLoop(); });
    return ntohs(address.sin_port);
}

void HostileServer::Stop() {
    if (stopping_.exchange(true)) return;
    if (listenFd_ >= 0) ::shutdown(listenFd_, SHUT_RDWR);
    if (acceptor_.joinable()) acceptor_.join();
    if (listenFd_ >= 0) ::close(listenFd_);
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(mutex_);
        // Wakes every worker blocked in a send or a receive.
        for (const int fd : openFds_) ::shutdown(fd, SHUT_RDWR);
        workers.swap(workers_);
    }
    for (std::thread& worker : workers) worker.join();
}

std::size_t HostileServer::RequestCount(std::string_view url) const {
    std::lock_guard lock(mutex_);
    const auto found = requests_.find(simweb::CanonicalUrl(url));
    return found == requests_.end() ? 0 : found->second;
}

void HostileServer::AcceptLoop() {
    while (!stopping_) {
        pollfd listening{listenFd_, POLLIN, 0};
        if (::poll(&listening, 1, kPollMs) <= 0) continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        openFds_.push_back(fd);
        workers_.emplace_back([this, fd] { Serve(fd); });
    }
}

void HostileServer::Serve(int fd) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHeadBytes &&
           !stopping_) {
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        head.append(buffer, static_cast<size_t>(got));
    }
    const size_t end = head.find("\r\n\r\n");
    if (end != std::string::npos) {
        if (const auto request = simweb::ParseRequestHead(std::string_view(head).substr(0, end))) {
            const std::string url = simweb::CanonicalUrl(request->url);
            {
                std::lock_guard lock(mutex_);
                ++requests_[url];
            }
            Answer(fd, url);
        }
    }
    Forget(fd);
}

void HostileServer::Answer(int fd, const std::string& url) {
    if (const auto found = hostile_.find(url); found != hostile_.end()) {
        Misbehave(fd, url, found->second);
        return;
    }
    const simweb::Response response = scenario_.Answer(url);
    const std::int64_t size = response.BodySize();
    std::vector<std::string> fields = {"Content-Type: " + response.contentType, LengthField(size)};
    if (!response.location.empty()) fields.push_back("Location: " + response.location);
    if (!SendAll(fd, Head(response.status, "Scripted", fields))) return;
    SendAll(fd, response.generatedSize >= 0 ? simweb::GeneratedBytes(url, 0, size) : response.body);
}

void HostileServer::Misbehave(int fd, const std::string& url, const HostileAnswer& answer) {
    const std::string body = simweb::GeneratedBytes(url, 0, answer.size);
    const std::string_view half = std::string_view(body).substr(0, body.size() / 2);
    switch (answer.kind) {
        case Hostility::BlackHole:
            WaitForClose(fd);
            return;
        case Hostility::StallAfterHeaders:
            if (SendAll(fd, Head(200, "OK", {LengthField(answer.size)}))) WaitForClose(fd);
            return;
        case Hostility::Trickle:
            if (!SendAll(fd, Head(200, "OK", {LengthField(answer.size)}))) return;
            for (size_t at = 0; at < body.size() && !stopping_; at += kTricklePieceBytes) {
                if (!SendAll(fd, std::string_view(body).substr(at, kTricklePieceBytes))) return;
                std::this_thread::sleep_for(kTricklePause);
            }
            return;
        case Hostility::ShortBody:
            if (SendAll(fd, Head(200, "OK", {LengthField(answer.size)}))) SendAll(fd, half);
            return;
        case Hostility::LongBody:
            if (SendAll(fd, Head(200, "OK", {LengthField(answer.size)})))
                SendAll(fd, simweb::GeneratedBytes(url, 0, answer.size + kLongBodyExtraBytes));
            return;
        case Hostility::NoLength:
            if (SendAll(fd, Head(200, "OK", {}))) SendAll(fd, body);
            return;
        case Hostility::RedirectLoop:
            SendAll(fd, Head(302, "Found", {"Location: " + url, LengthField(0)}));
            return;
        case Hostility::Redirect:
            SendAll(fd, Head(302, "Found", {"Location: " + answer.location, LengthField(0)}));
            return;
        case Hostility::HugeHeaders: {
            if (!SendAll(fd, "HTTP/1.1 200 OK\r\n")) return;
            const std::string filler = ": " + std::string(8000, 'h') + "\r\n";
            for (std::int64_t sent = 0; sent < kHugeHeaderBytes && !stopping_;) {
                const std::string line = "X-Filler-" + std::to_string(sent) + filler;
                if (!SendAll(fd, line)) return;
                sent += static_cast<std::int64_t>(line.size());
            }
            SendAll(fd, "\r\n");
            return;
        }
        case Hostility::GzipBomb: {
            if (!SendAll(fd,
                         Head(200, "OK", {"Content-Type: text/html", "Content-Encoding: gzip"})))
                return;
            z_stream zip{};
            if (deflateInit2(&zip, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9,
                             Z_DEFAULT_STRATEGY) != Z_OK)
                return;
            std::string zeros(kChunkBytes, '\0');
            std::string out(kChunkBytes, '\0');
            bool open = true;
            for (std::int64_t fed = 0; open && !stopping_ && fed <= kBombInflatedBytes;
                 fed += kChunkBytes) {
                const bool last = fed == kBombInflatedBytes;
                zip.next_in = reinterpret_cast<Bytef*>(zeros.data());
                zip.avail_in = last ? 0 : static_cast<uInt>(zeros.size());
                do {
                    zip.next_out = reinterpret_cast<Bytef*>(out.data());
                    zip.avail_out = static_cast<uInt>(out.size());
                    deflate(&zip, last ? Z_FINISH : Z_NO_FLUSH);
                    const size_t produced = out.size() - zip.avail_out;
                    if (produced > 0 && !SendAll(fd, std::string_view(out).substr(0, produced)))
                        open = false;
                } while (open && zip.avail_out == 0);
            }
            deflateEnd(&zip);
            return;
        }
        case Hostility::EndlessBody: {
            if (!SendAll(fd, Head(200, "OK", {}))) return;
            const std::string chunk = simweb::GeneratedBytes(url, 0, kChunkBytes);
            while (!stopping_ && SendAll(fd, chunk)) {
            }
            return;
        }
        case Hostility::ConnectionReset: {
            if (!SendAll(fd, Head(200, "OK", {LengthField(answer.size)})) || !SendAll(fd, half))
                return;
            // Closing with a zero linger time sends a reset instead of an orderly end.
            const linger reset{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            return;
        }
    }
}

void HostileServer::WaitForClose(int fd) const {
    char buffer[4096];
    while (!stopping_) {
        pollfd peer{fd, POLLIN, 0};
        if (::poll(&peer, 1, kPollMs) <= 0) continue;
        if (::recv(fd, buffer, sizeof buffer, 0) <= 0) return;
    }
}

bool HostileServer::SendAll(int fd, std::string_view bytes) const {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

void HostileServer::Forget(int fd) {
    std::lock_guard lock(mutex_);
    openFds_.erase(std::remove(openFds_.begin(), openFds_.end(), fd), openFds_.end());
    ::close(fd);
}

}  // namespace ch::testing
