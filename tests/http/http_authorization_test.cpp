// Answering a 401 (the server asks for credentials) and a 407 (the proxy
// does): the same rules on both sides, each with its own challenge header,
// handlers, credentials, retry count and request header. Every case runs
// once per side, on the memory transport.

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "http/authentication.h"
#include "http/http_client.h"
#include "http/http_exceptions.h"
#include "net/testing/io_handler_memory.h"
#include "rtl/streams.h"

namespace vitrix {
namespace {

std::string WithLength(const std::string& head, const std::string& body) {
  return head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

enum class TSide { sdServer, sdProxy };

// What differs between the two sides, as the tests see it.
struct TSideRow {
  TSide side;
  const char* name;
  const char* status_line;  // the reply asking for credentials
  const char* challenge;    // its header naming the schemes
  const char* credentials;  // the request header that answers it
  const char* other;        // the other side's request header
};

void PrintTo(const TSideRow& row, std::ostream* os) { *os << row.name; }

const TSideRow kServer{TSide::sdServer,    "Server",        "HTTP/1.1 401 Unauthorized\r\n",
                       "WWW-Authenticate", "Authorization", "Proxy-Authorization"};
const TSideRow kProxy{
    TSide::sdProxy,        "Proxy",        "HTTP/1.1 407 Proxy Authentication Required\r\n", "Proxy-Authenticate",
    "Proxy-Authorization", "Authorization"};

class Authorization : public ::testing::TestWithParam<TSideRow> {
 protected:
  void SetUp() override {
    but_.SetIOHandler(&transport_);
    // A 407 comes from a proxy: that side's client goes through one.
    if (Row().side == TSide::sdProxy) {
      but_.ProxyParams().SetProxyServer("proxy.local");
      but_.ProxyParams().SetProxyPort(3128);
    }
  }

  const TSideRow& Row() const { return GetParam(); }
  bool Server() const { return Row().side == TSide::sdServer; }

  // The reply asking for credentials, offering the schemes given.
  std::string Challenge(std::initializer_list<const char*> schemes, const std::string& body = "who?") const {
    std::string head = Row().status_line;
    for (const char* scheme : schemes) head += std::string(Row().challenge) + ": " + scheme + "\r\n";
    return WithLength(head, body);
  }

  TNetAuthentication* Attached() {
    return Server() ? but_.Request().Authentication() : but_.ProxyParams().Authentication();
  }
  TNetAuthentication* OtherAttached() {
    return Server() ? but_.ProxyParams().Authentication() : but_.Request().Authentication();
  }
  int RetryCount() { return Server() ? but_.AuthRetryCount() : but_.ProxyAuthRetryCount(); }
  int OtherRetryCount() { return Server() ? but_.ProxyAuthRetryCount() : but_.AuthRetryCount(); }
  const std::string& Username() { return Server() ? but_.Request().Username() : but_.ProxyParams().ProxyUsername(); }
  const std::string& Password() { return Server() ? but_.Request().Password() : but_.ProxyParams().ProxyPassword(); }
  bool BasicAuthentication() {
    return Server() ? but_.Request().BasicAuthentication() : but_.ProxyParams().BasicAuthentication();
  }
  void SetCredentials(const std::string& user, const std::string& password) {
    if (Server()) {
      but_.Request().SetUsername(user);
      but_.Request().SetPassword(password);
    } else {
      but_.ProxyParams().SetProxyUsername(user);
      but_.ProxyParams().SetProxyPassword(password);
    }
  }
  TNetOnSelectAuthorization& OnSelect() {
    return Server() ? but_.OnSelectAuthorization : but_.OnSelectProxyAuthorization;
  }
  TNetOnAuthorization& OnAuthorize() { return Server() ? but_.OnAuthorization : but_.OnProxyAuthorization; }
  TNetOnAuthorization& OtherOnAuthorize() { return Server() ? but_.OnProxyAuthorization : but_.OnAuthorization; }

  // The request header line that carries the credentials, as sent.
  std::string CredentialsLine(const std::string& value) const {
    return "\r\n" + std::string(Row().credentials) + ": " + value + "\r\n";
  }

  int ExpectProtocolError(const std::string& url = "http://h/") {
    try {
      but_.Get(url, nullptr);
      ADD_FAILURE() << "no exception";
      return 0;
    } catch (const ENetHTTPProtocolException& e) {
      return e.ReplyErrorCode();
    }
  }

  int Code() const { return Server() ? 401 : 407; }

  TNetIOHandlerMemory transport_;
  TNetHTTP but_;
};

TEST_P(Authorization, AnOfferedBasicWithoutHandlerRaisesAndStaysAttachedForLaterRequests) {
  transport_.AddInput(Challenge({"Digest realm=x", "Basic realm=\"vitrix\""}) +
                      WithLength("HTTP/1.1 200 OK\r\n", "ok"));
  EXPECT_EQ(ExpectProtocolError(), Code());
  ASSERT_NE(Attached(), nullptr);
  EXPECT_EQ(Attached()->ClassName(), "TNetBasicAuthentication");
  EXPECT_EQ(Attached()->CurrentStep(), 0) << "declined: the authenticator is reset";
  EXPECT_EQ(RetryCount(), 1);
  EXPECT_EQ(OtherAttached(), nullptr);
  EXPECT_EQ(OtherRetryCount(), 0);
  EXPECT_FALSE(BasicAuthentication());
  EXPECT_EQ(transport_.Written().find(std::string(Row().credentials) + ":"), std::string::npos);

  TStringStream stream;
  but_.Get("http://h/", &stream);
  EXPECT_EQ(stream.DataString(), "ok");
  const std::string& written = transport_.Written();
  // Empty user name and password: Base64 of ":".
  EXPECT_NE(written.find(CredentialsLine("Basic Og==")), std::string::npos) << written;
  EXPECT_EQ(written.find("\r\n" + std::string(Row().other) + ":"), std::string::npos) << written;
}

TEST_P(Authorization, NoRegisteredSchemeOfferedAttachesNothing) {
  transport_.AddInput(Challenge({"Digest realm=x", "Negotiate"}));
  transport_.ClosePeer();
  bool asked = false;
  OnAuthorize() = [&](TNetCustomHTTP&, TNetAuthentication&, bool& handled) { asked = handled = true; };
  EXPECT_EQ(ExpectProtocolError(), Code());
  EXPECT_EQ(Attached(), nullptr);
  EXPECT_FALSE(asked);
}

TEST_P(Authorization, TheSelectHandlerSeesTheChallengesAndMayRefuse) {
  transport_.AddInput(Challenge({"Basic realm=a", "Digest realm=b"}));
  transport_.ClosePeer();
  std::string seen;
  OnSelect() = [&](TNetCustomHTTP&, TNetAuthenticationClass& chosen, TNetHeaderList& info) {
    seen = info.Text();
    chosen = nullptr;
  };
  EXPECT_EQ(ExpectProtocolError(), Code());
  EXPECT_EQ(seen, "Basic realm=a\r\nDigest realm=b\r\n");
  EXPECT_EQ(Attached(), nullptr);
}

TEST_P(Authorization, AChosenClassThatMakesNoAuthenticatorDeclines) {
  transport_.AddInput(Challenge({"Basic realm=a"}));
  transport_.ClosePeer();
  OnSelect() = [](TNetCustomHTTP&, TNetAuthenticationClass& chosen, TNetHeaderList&) {
    chosen = [] { return std::unique_ptr<TNetAuthentication>(); };
  };
  bool asked = false;
  OnAuthorize() = [&](TNetCustomHTTP&, TNetAuthentication&, bool& handled) { asked = handled = true; };
  EXPECT_EQ(ExpectProtocolError(), Code());
  EXPECT_EQ(Attached(), nullptr);
  EXPECT_FALSE(asked);
}

TEST_P(Authorization, AHandlerGivesCredentialsAndTheRequestIsRepeatedInProcess) {
  transport_.AddInput(Challenge({"Basic realm=x"}, "no") + WithLength("HTTP/1.1 200 OK\r\n", "yes"));
  but_.SetHTTPOptions(but_.HTTPOptions() | static_cast<unsigned>(TNetHTTPOption::hoInProcessAuth));
  SetCredentials("old", "secret");
  std::string offered_user, offered_password;
  OnAuthorize() = [&](TNetCustomHTTP&, TNetAuthentication& auth, bool& handled) {
    offered_user = auth.Username();
    offered_password = auth.Password();
    auth.SetUsername("user");
    auth.SetPassword("pw");
    handled = true;
  };
  bool other_asked = false;
  OtherOnAuthorize() = [&](TNetCustomHTTP&, TNetAuthentication&, bool& handled) { other_asked = handled = true; };
  TStringStream stream;
  but_.Get("http://h/", &stream);
  EXPECT_EQ(stream.DataString(), "yes") << "the first reply's body is dropped";
  EXPECT_EQ(offered_user, "old");
  // The proxy side forgets its password before asking.
  EXPECT_EQ(offered_password, Server() ? "secret" : "");
  EXPECT_EQ(Username(), "user");
  EXPECT_EQ(Password(), "pw");
  EXPECT_TRUE(BasicAuthentication());
  ASSERT_NE(Attached(), nullptr);
  EXPECT_EQ(Attached()->CurrentStep(), 1);
  EXPECT_FALSE(other_asked);
  EXPECT_EQ(but_.RedirectCount(), 1);
  const std::string& written = transport_.Written();
  const size_t repeat = written.find("GET ", 1);
  ASSERT_NE(repeat, std::string::npos);
  EXPECT_EQ(written.substr(0, repeat).find(std::string(Row().credentials) + ":"), std::string::npos)
      << "the first request carries no credentials";
  EXPECT_NE(written.substr(repeat).find(CredentialsLine("Basic dXNlcjpwdw==")), std::string::npos) << written;
}

TEST_P(Authorization, WithoutInProcessAuthTheReplyBodyIsTheResult) {
  transport_.AddInput(Challenge({"Basic realm=x"}, "the page behind"));
  transport_.ClosePeer();
  OnAuthorize() = [](TNetCustomHTTP&, TNetAuthentication&, bool& handled) { handled = true; };
  TStringStream stream;
  but_.Get("http://h/", &stream);
  EXPECT_EQ(stream.DataString(), "the page behind");
  EXPECT_EQ(but_.ResponseCode(), Code());
  EXPECT_EQ(transport_.Written().find("GET ", 1), std::string::npos) << "nothing is repeated";
}

TEST_P(Authorization, TheRetriesEndAtAuthRetriesWithTheAuthenticatorReset) {
  std::string replies;
  for (int i = 0; i < 3; ++i) replies += Challenge({"Basic realm=x"}, "again");
  // One receive for all of them: the kept connection serves each repeat.
  transport_.AddInput(replies);
  but_.SetHTTPOptions(but_.HTTPOptions() | static_cast<unsigned>(TNetHTTPOption::hoInProcessAuth));
  but_.SetAuthRetries(2);
  int asked = 0;
  OnAuthorize() = [&](TNetCustomHTTP&, TNetAuthentication&, bool& handled) {
    ++asked;
    handled = true;
  };
  EXPECT_EQ(ExpectProtocolError(), Code());
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(RetryCount(), 2);
  ASSERT_NE(Attached(), nullptr);
  EXPECT_EQ(Attached()->CurrentStep(), 0);
  // The first request and two repeats.
  size_t requests = 0;
  for (size_t at = transport_.Written().find("GET "); at != std::string::npos;
       at = transport_.Written().find("GET ", at + 1)) {
    ++requests;
  }
  EXPECT_EQ(requests, 3u);
}

INSTANTIATE_TEST_SUITE_P(Sides, Authorization, ::testing::Values(kServer, kProxy),
                         [](const ::testing::TestParamInfo<TSideRow>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace vitrix
