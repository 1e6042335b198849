#include "tools/simweb/server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>

namespace ch::simweb {
namespace {

using namespace std::chrono_literals;

std::string BodyOf(const std::string& answer) {
    const auto end = answer.find("\r\n\r\n");
    return end == std::string::npos ? "" : answer.substr(end + 4);
}

// A plain client socket; every wait is bounded so a broken server fails the test, not hangs it.
class Client {
  public:
    Client(std::uint16_t port, const std::string& request) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(send(fd_, request.data(), request.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(request.size()));
    }
    ~Client() { close(fd_); }
    // Reads until the server closes, or until the answer so far is enough.
    std::string Receive(const std::function<bool(const std::string&)>& enough = {}) {
        std::string received;
        while (!enough || !enough(received)) {
            pollfd fd{fd_, POLLIN, 0};
            if (poll(&fd, 1, 10'000) <= 0) break;
            char buffer[65536];
            const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            received.append(buffer, static_cast<std::size_t>(got));
        }
        return received;
    }

  private:
    int fd_;
};

std::string Get(std::uint16_t port, const std::string& url) {
    return Client(port, "GET " + url + " HTTP/1.1\r\nHost: ignored\r\n\r\n").Receive();
}

Scenario Web() {
    Scenario scenario;
    scenario.Set("http://s.test/page.html", Page("<p>hi</p>"));
    scenario.Set("http://s.test/stall.avi", Video(5000)).stallAfter = 100;
    return scenario;
}

// Bodies, lengths, redirects and lying servers are checked through the Qt download service and
// the whole-search test; these cases are the server's own.
TEST(ServerTest, AnswersProxyFormRequestsForAnyHostFromTheScenario) {
    Server server(Web());
    const std::uint16_t port = server.Start();
    const std::string page = Get(port, "http://S.test:80/page.html");
    EXPECT_TRUE(page.starts_with("HTTP/1.1 200 OK\r\n")) << page;
    EXPECT_NE(page.find("Content-Length: 9\r\nConnection: close\r\n"), std::string::npos);
    EXPECT_EQ(BodyOf(page), "<p>hi</p>");
    EXPECT_TRUE(Get(port, "http://other.test/").starts_with("HTTP/1.1 404 Not Found\r\n"));
    EXPECT_EQ(server.RequestCount("http://s.test/page.html"), 1u);
    EXPECT_EQ(server.Requests(),
              (std::vector<std::string>{"http://s.test/page.html", "http://other.test/"}));
}

TEST(ServerTest, RefusesBrokenRequestsAndOtherMethods) {
    Server server(Web());
    const std::uint16_t port = server.Start();
    const std::pair<std::string, std::string> cases[] = {
        {"HELLO\r\n\r\n", "HTTP/1.1 400 Bad Request\r\n"},
        {"POST http://s.test/page.html HTTP/1.1\r\n\r\n", "HTTP/1.1 405 "},
        {std::string(70'000, 'x'), "HTTP/1.1 400 "},
    };
    for (const auto& [request, answer] : cases)
        EXPECT_TRUE(Client(port, request).Receive().starts_with(answer)) << request.substr(0, 40);
    const std::string head =
        Client(port, "HEAD http://s.test/page.html HTTP/1.1\r\n\r\n").Receive();
    EXPECT_NE(head.find("Content-Length: 9\r\n"), std::string::npos);
    EXPECT_EQ(BodyOf(head), "");
}

TEST(ServerTest, AStalledAnswerKeepsItsConnectionUntilTheClientLeavesOrTheServerStops) {
    auto server = std::make_unique<Server>(Web());
    const std::uint16_t port = server->Start();
    const std::string stalled = "GET http://s.test/stall.avi HTTP/1.1\r\n\r\n";
    {
        Client client(port, stalled);
        const std::string answer =
            client.Receive([](const std::string& got) { return BodyOf(got).size() >= 100; });
        EXPECT_NE(answer.find("Content-Length: 5000\r\n"), std::string::npos);
        EXPECT_EQ(BodyOf(answer).size(), 100u);
        EXPECT_EQ(server->OpenConnections(), 1);
    }
    EXPECT_TRUE(server->WaitForOpenConnections(0, 10s));
    Client staying(port, stalled);
    ASSERT_TRUE(server->WaitForOpenConnections(1, 10s));
    server.reset();
    Server again(Web());
    EXPECT_EQ(again.Start(port), port);
}

}  // namespace
}  // namespace ch::simweb
