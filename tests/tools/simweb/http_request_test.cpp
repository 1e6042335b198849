#include "tools/simweb/http_request.h"

#include <gtest/gtest.h>

namespace ch::simweb {
namespace {

TEST(ParseRequestHeadTest, ProxyAndOriginFormsGiveAbsoluteAddresses) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"GET http://site001.test/a.html HTTP/1.1\r\nHost: site001.test", "GET",
         "http://site001.test/a.html"},
        {"GET /a.html?x=1 HTTP/1.1\r\nAccept: */*\r\nhost:  Site.test:81 ", "GET",
         "http://Site.test:81/a.html?x=1"},
        {"HEAD HTTP://s.test/ HTTP/1.0", "HEAD", "HTTP://s.test/"},
    };
    for (const auto& [head, method, url] : cases) {
        const auto request = ParseRequestHead(head);
        ASSERT_TRUE(request) << head;
        EXPECT_EQ(request->method, method);
        EXPECT_EQ(request->url, url);
    }
}

TEST(ParseRequestHeadTest, RefusesWhatIsNotAnHttpRequest) {
    for (const char* head :
         {"", "GET", "GET /", "GET / HTTP/2", "GET / SPDY/1\r\nHost: a", "GET /a HTTP/1.1",
          "GET /a HTTP/1.1\r\nHost: ", "CONNECT site.test:443 HTTP/1.1\r\nHost: site.test"})
        EXPECT_FALSE(ParseRequestHead(head)) << head;
}

}  // namespace
}  // namespace ch::simweb
