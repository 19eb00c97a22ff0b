// Finding the image address in result pages, and the host's base address.
#include <gtest/gtest.h>

#include <string>

#include "publish/image_address.h"
#include "publish/service_address.h"
#include "support/scoped_env.h"

namespace vitrix {
namespace {

const std::string kMarker = "Image H\xE9" "berg\xE9" "e :";
const std::string kNotFound = "Pas d'url image trouv\xE9" "e";

TEST(Extraiturl, TagIsTheFirstAddressAfterTheMarkerUpToItsQuote) {
  const std::string page = "<p>Voir http://autre.example/\"</p><p>" + kMarker +
                           " <a href=\"http://h.example/images/ab.jpg\">http://h.example/images/ab.jpg</a></p>"
                           "<p>" + kMarker + " <a href=\"http://second.example/x.jpg\">";
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
  EXPECT_EQ(extraiturl("image h\xE9" "berg\xE9" "e : <a href=\"http://h/1.jpg\">"), kNotFound);
}

TEST(Extraiturl, MarkerIsMatchedAsWindows1252Bytes) {
  // The same words in UTF-8 or without accents are not the marker.
  EXPECT_EQ(extraiturl("Image H\xC3\xA9" "berg\xC3\xA9" "e : <a href=\"http://h/1.jpg\">"), kNotFound);
  EXPECT_EQ(extraiturl("Image Hebergee : <a href=\"http://h/1.jpg\">"), kNotFound);
  // Bytes above 127 and NULs in the page or the address are carried as they are.
  const std::string page = std::string("\0\xFF", 2) + kMarker + " \"http://h/\xE9t\xE9.jpg\"";
  EXPECT_EQ(extraiturl(page), "[img]http://h/\xE9t\xE9.jpg[/img]");
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
