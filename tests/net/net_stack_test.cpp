#include "net/net_stack.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <string>

#include "net/net_exceptions.h"

namespace vitrix {
namespace {

TEST(SocketErrorText, NumberThenCrLfThenTheFrenchText) {
  EXPECT_EQ(TNetStack::SocketErrorText(10061),
            "Erreur de socket # 10061\r\nConnexion refus\xE9"
            "e.");
  EXPECT_EQ(TNetStack::SocketErrorText(11001), "Erreur de socket # 11001\r\nH\xF4te non trouv\xE9.");
  EXPECT_EQ(TNetStack::SocketErrorText(10054),
            "Erreur de socket # 10054\r\nConnexion r\xE9initialis\xE9"
            "e par l'homologue (peer).");
  // The one text that keeps a trailing space.
  EXPECT_EQ(TNetStack::SocketErrorText(10035), "Erreur de socket # 10035\r\nL'op\xE9ration risquerait de bloquer. ");
}

TEST(SocketErrorText, NumberWithoutTextEndsAfterTheLineBreak) {
  EXPECT_EQ(TNetStack::SocketErrorText(10101), "Erreur de socket # 10101\r\n");
  EXPECT_EQ(TNetStack::SocketErrorText(0), "Erreur de socket # 0\r\n");
}

TEST(RaiseSocketError, CarriesTheNumberAndTheText) {
  try {
    GStack().RaiseSocketError(10101);
    FAIL() << "no exception";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(e.LastError(), 10101);
    EXPECT_EQ(e.Message(), "Erreur de socket # 10101\r\n");
  }
  EXPECT_EQ(GStack().LastError(), 10101);
}

TEST(TranslateSystemError, GivesTheNumbersUsersKnow) {
  EXPECT_EQ(TNetStack::TranslateSystemError(ECONNREFUSED), 10061);
  EXPECT_EQ(TNetStack::TranslateSystemError(ETIMEDOUT), 10060);
  EXPECT_EQ(TNetStack::TranslateSystemError(ECONNRESET), 10054);
  EXPECT_EQ(TNetStack::TranslateSystemError(EPIPE), 10054);
  EXPECT_EQ(TNetStack::TranslateSystemError(ECONNABORTED), 10053);
  EXPECT_EQ(TNetStack::TranslateSystemError(EHOSTUNREACH), 10065);
  EXPECT_EQ(TNetStack::TranslateSystemError(ENETUNREACH), 10051);
  EXPECT_EQ(TNetStack::TranslateSystemError(EADDRINUSE), 10048);
  EXPECT_EQ(TNetStack::TranslateSystemError(ESHUTDOWN), 10058);
  EXPECT_EQ(TNetStack::TranslateSystemError(ENOTSOCK), 10038);
  // Nothing to translate to: the number stays as it is.
  EXPECT_EQ(TNetStack::TranslateSystemError(EIO), EIO);
}

TEST(TranslateResolverError, EveryNoSuchHostAnswerIsHostNotFound) {
  EXPECT_EQ(TNetStack::TranslateResolverError(EAI_NONAME, 0), 11001);
  EXPECT_EQ(TNetStack::TranslateResolverError(EAI_AGAIN, 0), 11001);
  EXPECT_EQ(TNetStack::TranslateResolverError(EAI_NODATA, 0), 11001);
  EXPECT_EQ(TNetStack::TranslateResolverError(EAI_FAIL, 0), 11003);
  EXPECT_EQ(TNetStack::TranslateResolverError(EAI_SYSTEM, ECONNREFUSED), 10061);
}

TEST(CheckSocketResult, ToleratedErrorsReturnTrueOthersRaise) {
  EXPECT_FALSE(GStack().CheckSocketResult(0));
  EXPECT_FALSE(GStack().CheckSocketResult(17));
  errno = ECONNABORTED;
  EXPECT_TRUE(GStack().CheckSocketResult(-1, {10058, 10053}));
  EXPECT_EQ(GStack().LastError(), 10053);
  errno = ECONNREFUSED;
  EXPECT_THROW(GStack().CheckSocketResult(-1, {10058, 10053}), ENetSocketError);
  EXPECT_EQ(GStack().LastError(), 10061);
}

struct DottedQuadCase {
  const char* text;
  bool dotted;
};

constexpr DottedQuadCase kDottedQuadCases[] = {
    {"10.0.0.1", true},   {"255.255.255.255", true},
    {"0.0.0.0", true},    {"127.000.0.01", true},
    {"1.2.3", false},     {"1.2.3.4.5", false},
    {"1.2.3.256", false}, {"1.2..4", false},
    {"1.2.3.", false},    {"a.b.c.d", false},
    {"1.2.3.-4", false},  {" 1.2.3.4", false},
    {"localhost", false}, {"", false},
};

TEST(IsDottedQuad, FourDecimalNumbersUpTo255) {
  for (const DottedQuadCase& c : kDottedQuadCases) {
    EXPECT_EQ(TNetStack::IsDottedQuad(c.text), c.dotted) << c.text;
  }
}

TEST(ResolveHost, LocalhostInAnyCaseAndDottedQuadsAreNotLookedUp) {
  EXPECT_EQ(GStack().ResolveHost("LOCALHOST"), "127.0.0.1");
  EXPECT_EQ(GStack().ResolveHost("LocalHost"), "127.0.0.1");
  // An address that exists nowhere comes back unchanged: no lookup happened.
  EXPECT_EQ(GStack().ResolveHost("10.0.0.1"), "10.0.0.1");
}

TEST(ResolveHost, AnUnknownNameIsHostNotFound) {
  try {
    GStack().ResolveHost("vitrix-no-such-host.invalid");
    FAIL() << "no exception";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(e.LastError(), 11001);
    EXPECT_EQ(e.Message(), "Erreur de socket # 11001\r\nH\xF4te non trouv\xE9.");
  }
}

}  // namespace
}  // namespace vitrix
