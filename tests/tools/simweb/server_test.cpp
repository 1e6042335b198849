#include "tools/simweb/server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>

#include "tools/simweb/generated_body.h"

namespace ch::simweb {
namespace {

using namespace std::chrono_literals;

// A plain client socket; every wait is bounded so a broken server fails the test, not hangs it.
class Client {
  public:
    explicit Client(std::uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~Client() { close(fd_); }
    bool Send(const std::string& request) {
        return connected_ && send(fd_, request.data(), request.size(), MSG_NOSIGNAL) ==
                                 static_cast<ssize_t>(request.size());
    }
    // Reads until the server closes, or until `enough` bytes have come.
    std::string Receive(std::size_t enough = std::string::npos) {
        std::string received;
        while (received.size() < enough) {
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
    bool connected_ = false;
};

std::string Get(std::uint16_t port, const std::string& url) {
    Client client(port);
    EXPECT_TRUE(client.Send("GET " + url + " HTTP/1.1\r\nHost: ignored\r\n\r\n"));
    return client.Receive();
}

std::string BodyOf(const std::string& answer) {
    const auto end = answer.find("\r\n\r\n");
    return end == std::string::npos ? "" : answer.substr(end + 4);
}

Scenario Web() {
    Scenario scenario;
    scenario.Set("http://s.test/page.html", Page("<p>hi</p>"));
    scenario.Set("http://s.test/v.avi", Video(300'000));
    scenario.Set("http://s.test/n.avi", Video(1000)).announceLength = false;
    scenario.Set("http://s.test/short.avi", Video(1000)).announcedLength = 5000;
    scenario.Set("http://s.test/stall.avi", Video(5000)).stallAfter = 100;
    scenario.Set("http://s.test/old", Redirect("http://s.test/page.html"));
    return scenario;
}

TEST(ServerTest, AnswersProxyFormRequestsForAnyHostFromTheScenario) {
    std::mutex mutex;
    std::vector<std::string> log;
    Server server(Web(), {.delayMs = 0, .log = [&](const std::string& line) {
                              std::lock_guard lock(mutex);
                              log.push_back(line);
                          }});
    const std::uint16_t port = server.Start();

    const std::string page = Get(port, "http://s.test/page.html");
    EXPECT_TRUE(page.starts_with("HTTP/1.1 200 OK\r\n")) << page;
    EXPECT_NE(page.find("Content-Length: 9\r\n"), std::string::npos);
    EXPECT_NE(page.find("Connection: close\r\n"), std::string::npos);
    EXPECT_EQ(BodyOf(page), "<p>hi</p>");

    const std::string video = Get(port, "http://S.test:80/v.avi");
    EXPECT_NE(video.find("Content-Length: 300000\r\n"), std::string::npos);
    EXPECT_TRUE(BodyOf(video) == GeneratedBytes("http://s.test/v.avi", 0, 300'000));

    const std::string redirect = Get(port, "http://s.test/old");
    EXPECT_TRUE(redirect.starts_with("HTTP/1.1 302 Found\r\n"));
    EXPECT_NE(redirect.find("Location: http://s.test/page.html\r\n"), std::string::npos);

    EXPECT_TRUE(Get(port, "http://other.test/").starts_with("HTTP/1.1 404 Not Found\r\n"));

    EXPECT_EQ(server.RequestCount("http://s.test/page.html"), 1u);
    EXPECT_EQ(server.RequestCount("http://s.test/v.avi"), 1u);
    EXPECT_EQ(server.Requests().size(), 4u);
    std::lock_guard lock(mutex);
    EXPECT_EQ(log.front(), "GET http://s.test/page.html 200");
    EXPECT_EQ(log.back(), "GET http://other.test/ 404");
}

TEST(ServerTest, BodiesWithoutLengthOrShorterThanAnnouncedEndWithTheConnection) {
    Server server(Web());
    const std::uint16_t port = server.Start();
    const std::string unsized = Get(port, "http://s.test/n.avi");
    EXPECT_EQ(unsized.find("Content-Length"), std::string::npos);
    EXPECT_EQ(BodyOf(unsized).size(), 1000u);
    const std::string liar = Get(port, "http://s.test/short.avi");
    EXPECT_NE(liar.find("Content-Length: 5000\r\n"), std::string::npos);
    EXPECT_EQ(BodyOf(liar).size(), 1000u);
}

TEST(ServerTest, AStalledAnswerKeepsItsConnectionUntilTheClientLeaves) {
    Server server(Web());
    const std::uint16_t port = server.Start();
    {
        Client client(port);
        ASSERT_TRUE(client.Send("GET http://s.test/stall.avi HTTP/1.1\r\n\r\n"));
        std::string answer;
        while (BodyOf(answer).size() < 100) {
            const std::string more = client.Receive(1);
            if (more.empty()) break;
            answer += more;
        }
        EXPECT_NE(answer.find("Content-Length: 5000\r\n"), std::string::npos);
        EXPECT_EQ(BodyOf(answer).size(), 100u);
        EXPECT_EQ(server.OpenConnections(), 1);
    }
    EXPECT_TRUE(server.WaitForOpenConnections(0, 10s));
}

TEST(ServerTest, RefusesBrokenRequestsAndOtherMethods) {
    Server server(Web());
    const std::uint16_t port = server.Start();
    {
        Client client(port);
        ASSERT_TRUE(client.Send("HELLO\r\n\r\n"));
        EXPECT_TRUE(client.Receive().starts_with("HTTP/1.1 400 Bad Request\r\n"));
    }
    {
        Client client(port);
        ASSERT_TRUE(client.Send("POST http://s.test/page.html HTTP/1.1\r\n\r\n"));
        EXPECT_TRUE(client.Receive().starts_with("HTTP/1.1 405 "));
    }
    {
        Client client(port);
        ASSERT_TRUE(client.Send("HEAD http://s.test/page.html HTTP/1.1\r\n\r\n"));
        const std::string head = client.Receive();
        EXPECT_NE(head.find("Content-Length: 9\r\n"), std::string::npos);
        EXPECT_EQ(BodyOf(head), "");
    }
    {
        Client client(port);
        ASSERT_TRUE(client.Send(std::string(70'000, 'x')));
        EXPECT_TRUE(client.Receive().starts_with("HTTP/1.1 400 "));
    }
}

TEST(ServerTest, StopClosesStalledConnectionsAndFreesThePort) {
    auto server = std::make_unique<Server>(Web());
    const std::uint16_t port = server->Start();
    Client client(port);
    ASSERT_TRUE(client.Send("GET http://s.test/stall.avi HTTP/1.1\r\n\r\n"));
    ASSERT_TRUE(server->WaitForOpenConnections(1, 10s));
    server.reset();
    client.Receive();  // ends with the connection
    Server again(Web());
    EXPECT_EQ(again.Start(port), port);
}

}  // namespace
}  // namespace ch::simweb
