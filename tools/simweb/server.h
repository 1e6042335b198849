#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tools/simweb/scenario.h"

namespace ch::simweb {

struct ServerOptions {
    int delayMs = 0;  // waited before every answer
    // Bodies go out at most this fast on each connection (0: as fast as they can), so that a
    // watcher sees downloads progress.
    std::int64_t bodyBytesPerSecond = 0;
    // Called from the server's thread with one line per request: method, address, status.
    std::function<void(const std::string&)> log;
    // When set, CONNECT is answered "200 Connection established" and the connection's descriptor
    // handed over (the callee owns it from then on); unset, CONNECT is refused with 405.
    std::function<void(int fd)> tunnel;
};

// An HTTP/1.1 server on 127.0.0.1 that answers every request, in proxy form or not, for any host
// from its scenario, and hands CONNECT tunnels to ServerOptions::tunnel. It serves on a thread of
// its own, so it runs inside a test that drives a Qt event loop as well as in the standalone
// program. Every answer closes its connection.
class Server {
  public:
    explicit Server(Scenario scenario, ServerOptions options = {});
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Listens on the port (0 picks a free one) and starts serving; returns the port.
    // Throws std::system_error when the port cannot be had.
    std::uint16_t Start(std::uint16_t port = 0);
    // Closes every connection and the listening socket; returns when the thread has ended.
    void Stop();

    std::uint16_t Port() const { return port_; }
    // How often the address was asked for.
    std::size_t RequestCount(std::string_view url) const;
    // Body bytes put on the wire for the address, over all its answers.
    std::int64_t BodyBytesSent(std::string_view url) const;
    // Connections accepted and not yet closed (a stalled answer keeps its connection open).
    int OpenConnections() const;

  private:
    class Loop;
    // Returns how often the address has been asked for, this request included.
    std::size_t Record(const std::string& url);
    void CountBodyBytes(const std::string& url, std::int64_t count);
    void CountConnection(int change);

    const Scenario scenario_;
    const ServerOptions options_;
    std::uint16_t port_ = 0;
    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::map<std::string, std::int64_t, std::less<>> bodyBytes_;
    int openConnections_ = 0;
};

}  // namespace ch::simweb
