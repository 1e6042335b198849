#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class QThread;

namespace ch::simweb {

class TunnelRelay;

// The far end of CONNECT tunnels: speaks TLS on each handed-over connection with one certificate
// (its subjectAltNames decide which hosts a client accepts), and relays the decrypted requests to
// the plain server on 127.0.0.1, so that https addresses answer from the same scenario as http
// ones. Serves on a Qt thread of its own.
class TlsTunnels {
  public:
    // Reads the PEM certificate chain (the server's certificate first) and its private key.
    // Throws std::runtime_error when either cannot be used.
    TlsTunnels(const std::string& certificateFile, const std::string& keyFile);
    ~TlsTunnels();
    TlsTunnels(const TlsTunnels&) = delete;
    TlsTunnels& operator=(const TlsTunnels&) = delete;

    // Where decrypted requests go; set before the server's port is made known.
    void RelayTo(std::uint16_t plainPort) { plainPort_ = plainPort; }
    // Takes over a connected socket: the TLS handshake, then the relay. Any thread may call it.
    void Take(int fd);

  private:
    std::atomic<std::uint16_t> plainPort_ = 0;
    std::unique_ptr<QThread> thread_;
    TunnelRelay* relay_ = nullptr;  // lives in thread_, deleted when it ends
};

}  // namespace ch::simweb
