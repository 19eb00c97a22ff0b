#include "http/uri.h"

#include <gtest/gtest.h>

#include "http/http_exceptions.h"

namespace vitrix {
namespace {

struct SplitCase {
  const char* text;
  const char* protocol;
  const char* host;
  const char* port;
  const char* path;
  const char* document;
  const char* params;
  const char* bookmark;
};

constexpr SplitCase kSplitCases[] = {
    {"s://h/a/b/c.php?x=1#f", "s", "h", "", "/a/b/", "c.php", "?x=1", "f"},
    {"s://h", "s", "h", "", "/", "", "", ""},
    {"s://h:8080/x", "s", "h", "8080", "/", "x", "", ""},
    {"s://h/a/b=c/d", "s", "h", "", "/a/", "b", "=c/d", ""},
    {"s:\\\\h\\a\\b.php", "s", "h", "", "/a/", "b.php", "", ""},
    {"s://h/a/b.php?x=1&y=2", "s", "h", "", "/a/", "b.php", "?x=1&y=2", ""},
    {"http://www.example.org/envoyer.php", "http", "www.example.org", "", "/", "envoyer.php", "", ""},
    // A "#" in the document ends it; the one of the params counts only when
    // the document had none.
    {"s://h/d#top?q", "s", "h", "", "/", "d", "?q", "top"},
    {"s://h/d#?q#x", "s", "h", "", "/", "d", "?q", "x"},
    // A "?" wins over an "=" that comes before it.
    {"s://h/a=b/c?d=e", "s", "h", "", "/a=b/", "c", "?d=e", ""},
    // Without "://" nothing is host; the path gets no "/" put in front.
    {"/a/b.php?x", "", "", "", "/a/", "b.php", "?x", ""},
    {"a/b", "", "", "", "a/", "b", "", ""},
    {"page.html#end", "", "", "", "", "page.html", "", "end"},
    {"", "", "", "", "", "", "", ""},
};

TEST(Uri, SplittingGivesTheParts) {
  for (const SplitCase& c : kSplitCases) {
    SCOPED_TRACE(c.text);
    const TNetURI uri(c.text);
    EXPECT_EQ(uri.Protocol(), c.protocol);
    EXPECT_EQ(uri.Host(), c.host);
    EXPECT_EQ(uri.Port(), c.port);
    EXPECT_EQ(uri.Path(), c.path);
    EXPECT_EQ(uri.Document(), c.document);
    EXPECT_EQ(uri.Params(), c.params);
    EXPECT_EQ(uri.Bookmark(), c.bookmark);
  }
}

TEST(Uri, BackSlashesSplitExactlyLikeForwardSlashes) {
  const TNetURI back("s:\\\\u:p@h:81\\a\\b\\c.php?x=\\y#z");
  const TNetURI forward("s://u:p@h:81/a/b/c.php?x=/y#z");
  EXPECT_EQ(back.URI(), forward.URI());
  EXPECT_EQ(back.BuildURI(), forward.BuildURI());
  EXPECT_EQ(back.Path(), "/a/b/");
  EXPECT_EQ(back.Params(), "?x=/y");
}

TEST(Uri, UserInfoIsSplitAtTheFirstColonAndNeedsAUserName) {
  const TNetURI both("s://user:pa:ss@h/");
  EXPECT_EQ(both.UserName(), "user");
  EXPECT_EQ(both.Password(), "pa:ss");
  EXPECT_EQ(both.Host(), "h");
  const TNetURI no_user("s://:secret@h/");
  EXPECT_EQ(no_user.UserName(), "");
  EXPECT_EQ(no_user.Password(), "");
  EXPECT_EQ(no_user.Host(), "h");
}

TEST(Uri, SettingTheTextAgainClearsEveryPart) {
  TNetURI uri("s://u:p@h:1/a/b?c#d");
  uri.SetURI("x.html");
  EXPECT_EQ(uri.Protocol(), "");
  EXPECT_EQ(uri.UserName(), "");
  EXPECT_EQ(uri.Password(), "");
  EXPECT_EQ(uri.Host(), "");
  EXPECT_EQ(uri.Port(), "");
  EXPECT_EQ(uri.Path(), "");
  EXPECT_EQ(uri.Document(), "x.html");
  EXPECT_EQ(uri.Params(), "");
  EXPECT_EQ(uri.Bookmark(), "");
}

TEST(Uri, BuildUriComposesThePartsWithTheOptionalOnes) {
  TNetURI uri("http://user:pw@h:8080/a/b.php?x=1#frag");
  EXPECT_EQ(uri.BuildURI(), "http://user:pw@h:8080/a/b.php?x=1#frag");
  EXPECT_EQ(uri.BuildURI(false, false), "http://h:8080/a/b.php?x=1");
  uri.SetPassword("");
  uri.SetPort("");
  EXPECT_EQ(uri.BuildURI(true, false), "http://user@h/a/b.php?x=1");
}

TEST(Uri, BuildUriNeedsAProtocolAndAHost) {
  TNetURI uri("/relative/path");
  try {
    uri.BuildURI();
    FAIL() << "no exception";
  } catch (const ENetURIException& e) {
    EXPECT_EQ(e.Message(), "Le champ protocole est vide");
  }
  uri.SetProtocol("http");
  try {
    uri.BuildURI();
    FAIL() << "no exception";
  } catch (const ENetURIException& e) {
    EXPECT_EQ(e.Message(), "Le champ h\xF4te est vide");
  }
}

}  // namespace
}  // namespace vitrix
