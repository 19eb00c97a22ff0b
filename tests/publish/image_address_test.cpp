// Finding the image address in result pages, and the host's base address.
#include <gtest/gtest.h>

#include <string>

#include "publish/image_address.h"
#include "publish/service_address.h"
#include "support/scoped_env.h"

namespace vitrix {
namespace {

const std::string kMarker =
    "Image H\xE9"
    "berg\xE9"
    "e :";
const std::string kNotFound =
    "Pas d'url image trouv\xE9"
    "e";

TEST(Extraiturl, TagIsTheFirstAddressAfterTheMarkerUpToItsQuote) {
  const std::string page = "<p>Voir http://autre.example/\"</p><p>" + kMarker +
                           " <a href=\"http://h.example/images/ab.jpg\">http://h.example/images/ab.jpg</a></p>"
                           "<p>" +
                           kMarker + " <a href=\"http://second.example/x.jpg\">";
  EXPECT_EQ(extraiturl(page), "[img]http://h.example/images/ab.jpg[/img]");
  // The address may start right after the marker and be followed by anything.
  EXPECT_EQ(extraiturl(kMarker + "https://h/1.jpg\""), "[img]https://h/1.jpg[/img]");
}

TEST(Extraiturl, ErrorMarkerAnywhereWinsOverAnAddress) {
  const std::string good = kMarker + " <a href=\"http://h/1.jpg\">";
  EXPECT_EQ(extraiturl(good + "<p class=\"gras\">ERREUR : le fichier est trop volumineux"), kNotFound);
  EXPECT_EQ(extraiturl("<p class=\"gras\">ERREUR" + good), kNotFound);
  // Only the exact marker counts.
  EXPECT_EQ(extraiturl("<p class=\"gras\">Erreur" + good), "[img]http://h/1.jpg[/img]");
  EXPECT_EQ(extraiturl("<p class='gras'>ERREUR" + good), "[img]http://h/1.jpg[/img]");
}

TEST(Extraiturl, MissingMarkerSchemeOrQuoteFindsNothing) {
  EXPECT_EQ(extraiturl(""), kNotFound);
  EXPECT_EQ(extraiturl("<a href=\"http://h/1.jpg\">"), kNotFound);
  // The scheme letters must come after the marker, and a quote after them.
  EXPECT_EQ(extraiturl("<a href=\"http://h/1.jpg\">" + kMarker + " <a href=\"/images/1.jpg\">"), kNotFound);
  EXPECT_EQ(extraiturl(kMarker + " <a href='http://h/1.jpg'>ici</a>"), kNotFound);
  EXPECT_EQ(extraiturl(kMarker + " HTTP://h/1.jpg\""), kNotFound);
  // Case matters in the marker too.
  EXPECT_EQ(extraiturl("image h\xE9"
                       "berg\xE9"
                       "e : <a href=\"http://h/1.jpg\">"),
            kNotFound);
}

TEST(Extraiturl, MarkerIsMatchedAsWindows1252Bytes) {
  // The same words in UTF-8 or without accents are not the marker.
  EXPECT_EQ(extraiturl("Image H\xC3\xA9"
                       "berg\xC3\xA9"
                       "e : <a href=\"http://h/1.jpg\">"),
            kNotFound);
  EXPECT_EQ(extraiturl("Image Hebergee : <a href=\"http://h/1.jpg\">"), kNotFound);
  // Bytes above 127 and NULs elsewhere in the page do not matter.
  const std::string page = std::string("\0\xFF", 2) + kMarker + " \"http://h/%E9t%E9.jpg\"";
  EXPECT_EQ(extraiturl(page), "[img]http://h/%E9t%E9.jpg[/img]");
}

// Whatever a host writes where the address stands goes into the user's
// posts: only one plain address is taken.
TEST(Extraiturl, RefusesWhatIsNotOnePlainAddress) {
  const auto tag_of = [](const std::string& address) { return extraiturl(kMarker + " <a href=\"" + address + "\">"); };
  for (const std::string& injected : {
           std::string("http://evil.example/a.jpg[/img][url=http://phish.example]Cliquez ici[/url]"),
           std::string("http://h/a.jpg[/img][url=http://phish.example]"),
           std::string("http://h/a.jpg\r\n[url=http://phish.example]x[/url]"),
           std::string("http://h/a.jpg\n"),
           std::string("http://h/a.jpg'onerror='x"),
           std::string("http://h/a.jpg<script>"),
           std::string("http://h/a b.jpg"),
           std::string("http://h/a\tb.jpg"),
           std::string("http://h/a\x01.jpg"),
           std::string("http://h/a\x7F.jpg"),
           std::string("http://h/\xE9t\xE9.jpg"),
           std::string("http://h/a\\b.jpg"),
           std::string("http://h/a.jpg") + std::string(1, '\0'),
           std::string("http://h/a{b}.jpg"),
           std::string("http://h/a|b^c`.jpg"),
       }) {
    EXPECT_EQ(tag_of(injected), kNotFound) << injected;
  }
  // Not absolute, or not http(s), or no host.
  for (const std::string& odd : {std::string("http:/h/a.jpg"), std::string("httpx://h/a.jpg"), std::string("http://"),
                                 std::string("http:///a.jpg"), std::string("http://:80/a.jpg"),
                                 std::string("http://h:8o/a.jpg"), std::string("https//h/a.jpg")}) {
    EXPECT_EQ(tag_of(odd), kNotFound) << odd;
  }
}

TEST(Extraiturl, SquareBracketsOnlyAroundAnIPv6Host) {
  const auto tag_of = [](const std::string& address) { return extraiturl(kMarker + " \"" + address + "\""); };
  EXPECT_EQ(tag_of("http://[::1]:8080/images/a.jpg"), "[img]http://[::1]:8080/images/a.jpg[/img]");
  EXPECT_EQ(tag_of("https://[2001:db8::7]/a.jpg"), "[img]https://[2001:db8::7]/a.jpg[/img]");
  EXPECT_EQ(tag_of("http://[::1]/a[1].jpg"), kNotFound);
  EXPECT_EQ(tag_of("http://h/a[1].jpg"), kNotFound);
  EXPECT_EQ(tag_of("http://[::1/a.jpg"), kNotFound);
  EXPECT_EQ(tag_of("http://[::1]x/a.jpg"), kNotFound);
  EXPECT_EQ(tag_of("http://[evil.example]/a.jpg"), kNotFound);
}

TEST(Extraiturl, TakesEveryURLCharacterUpToTwoThousandFortyEight) {
  const std::string rich = "https://user@h-1.example_~:8443/a/b%20c/d.php?x=1&y=(2)*3+4,5;6!$7#f=8";
  EXPECT_EQ(extraiturl(kMarker + "\"" + rich + "\""), "[img]" + rich + "[/img]");
  const std::string prefix = "http://h.example/";
  const std::string longest = prefix + std::string(2048 - prefix.size(), 'a');
  EXPECT_EQ(extraiturl(kMarker + " \"" + longest + "\""), "[img]" + longest + "[/img]");
  EXPECT_EQ(extraiturl(kMarker + " \"" + longest + "a\""), kNotFound);
  // A 3 kB address, and one of a megabyte.
  EXPECT_EQ(extraiturl(kMarker + " \"" + prefix + std::string(3000, 'a') + "\""), kNotFound);
  EXPECT_EQ(extraiturl(kMarker + " \"" + prefix + std::string(1 << 20, 'a') + "\""), kNotFound);
}

TEST(ServiceBaseURL, BuiltInAddressUnlessTheEnvironmentNamesAnother) {
  {
    test::ScopedEnv unset("VITRIX_SERVICE_URL", std::nullopt);
    EXPECT_EQ(ServiceBaseURL(), WithFinalSlash(VITRIX_DEFAULT_SERVICE_URL));
  }
  {
    test::ScopedEnv empty("VITRIX_SERVICE_URL", "");
    EXPECT_EQ(ServiceBaseURL(), WithFinalSlash(VITRIX_DEFAULT_SERVICE_URL));
  }
  {
    test::ScopedEnv set("VITRIX_SERVICE_URL", "http://images.example.org:81/vitrix");
    EXPECT_EQ(ServiceBaseURL(), "http://images.example.org:81/vitrix/");
  }
  {
    test::ScopedEnv set("VITRIX_SERVICE_URL", "http://127.0.0.1:8080/");
    EXPECT_EQ(ServiceBaseURL(), "http://127.0.0.1:8080/");
  }
}

}  // namespace
}  // namespace vitrix
