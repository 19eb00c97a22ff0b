// Addresses with an IPv6 literal: split with the brackets kept in the host,
// connected to, and named in the Host header as written.
#include <gtest/gtest.h>

#include <string>

#include "http/http_client.h"
#include "http/uri.h"
#include "rtl/streams.h"
#include "support/http_test_peer.h"
#include "support/loopback_server.h"

namespace vitrix {
namespace {

using namespace std::chrono_literals;

TEST(Ipv6Address, ABracketedLiteralSplitsWithItsPort) {
  const TNetURI with_port("http://[::1]:8080/a/b.php?x=1");
  EXPECT_EQ(with_port.Host(), "[::1]");
  EXPECT_EQ(with_port.Port(), "8080");
  EXPECT_EQ(with_port.Path(), "/a/");
  EXPECT_EQ(with_port.Document(), "b.php");
  const TNetURI without("https://user:pw@[fe80::1:2]/");
  EXPECT_EQ(without.Host(), "[fe80::1:2]");
  EXPECT_EQ(without.Port(), "");
  EXPECT_EQ(without.UserName(), "user");
  EXPECT_EQ(with_port.BuildURI(), "http://[::1]:8080/a/b.php?x=1");
}

TEST(Ipv6Address, AGetToIpv6LoopbackNamesTheBracketedHostAndPort) {
  std::string request;
  test::LoopbackServer server(
      [&request](test::PeerConnection& peer) {
        size_t offset = 0;
        request = test::ReadRequest(peer, offset);
        peer.Send(test::ClosingReply("200 OK", "", "par IPv6"));
        peer.Close();
      },
      1, 10s, test::LoopbackFamily::kIPv6);
  TNetHTTP but;
  TStringStream body;
  const std::string authority = "[::1]:" + std::to_string(server.Port());
  but.Get("http://" + authority + "/page", &body);
  server.Join();
  EXPECT_EQ(body.DataString(), "par IPv6");
  EXPECT_EQ(request, "GET /page HTTP/1.1\r\nContent-Type: text/html\r\nHost: " + authority +
                         "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; vitrix)\r\n\r\n");
}

}  // namespace
}  // namespace vitrix
