#pragma once

// The upload of a saved capture to the image host, and the settings of the
// HTTP client that carries it.
//
// The dialogue: the file is posted as the form field "fichier" to
// B + "envoyer.php"; the host answers 302, then its Location is asked for
// with a GET (B + Location), which answers 302 again, and that Location is
// asked for in turn and answers the result page. The client does not follow
// redirects itself: each 302 arrives as an error, which the upload swallows
// after writing B + Location to the journal. Every phase runs whatever
// happened in the one before; the result page (and any other success body)
// is collected in one text, where the image address is looked for at the end.

#include <cstdint>
#include <functional>
#include <string>

#include "picture/types.h"

namespace vitrix {

class TNetHTTP;

inline constexpr const char* kStatusUploadPhase1 = "Envoi fichier phase 1";
inline constexpr const char* kStatusUploadPhase2 = "Envoi fichier phase 2";
inline constexpr const char* kStatusUploadPhase3 = "Envoi fichier phase 3";
inline constexpr const char* kStatusUploadPhase4 = "Envoi fichier phase 4";
inline constexpr const char* kStatusUploadDone =
    "Fichier exp\xE9"
    "di\xE9 avec succ\xE8s";
inline constexpr const char* kStatusUploadFailed = "Echec de l'envoi du fichier";

inline constexpr const char* kUploadPage = "envoyer.php";
inline constexpr const char* kUploadField = "fichier";
inline constexpr const char* kUploadPartType = "multipart/form-data";

// How long a request may wait for the host: to connect, and between two
// pieces of a reply (or of the request going out); also how long a whole
// reply head may take.
inline constexpr int kUploadTimeoutMs = 30000;
// The lowest speed of a request body going out or a reply body coming in:
// slower than this many bytes per second over kUploadTimeoutMs, it fails as
// a time-out. A host that sends one byte now and then cannot hold an upload
// (and the window) without end; a slow but steady line gets through.
inline constexpr int64_t kUploadLowSpeedLimit = 1000;
inline constexpr const char* kStatusUploadCheck =
    "V\xE9"
    "rification de l'image h\xE9"
    "berg\xE9"
    "e";
// The reply bodies of one upload are kept in memory up to this size; a reply
// that would go past it fails its phase.
inline constexpr int64_t kMaxReplyText = int64_t{16} << 20;

// Gives the client the main window's settings: the request values, cookies
// kept, no proxy credentials, over-long header lines refused, and the time
// limits above.
void ConfigureUploadClient(TNetHTTP& but);

// What an upload asks of the host besides the forum tag.
enum class TUploadCheck {
  // The tag is the result.
  ucTag,
  // The tag counts only once the image at its address, fetched with the same
  // client, is byte for byte the uploaded file: the host is then known to
  // hold it, and the file may go.
  ucFetchBack
};

// What an upload reports to the window it runs for.
struct TUploadHooks {
  // A status line text and its colour.
  std::function<void(const std::string& message, TColor color)> addstatus;
  // A line for the journal: the address a 302 sent the upload to.
  std::function<void(const std::string& line)> journal;
  // The forum tag, or kNoImageAddress: a new last line of the links box.
  std::function<void(const std::string& link)> addlink;
  // Why an upload that failed could not talk to the host, when the user can
  // act on it: a TLS check that failed (certificate, protocol, a connection
  // cut without the TLS close), or a proxy that refused or failed. The
  // message of the first such error; a host that is down or answers wrongly
  // fails quietly. May be unset.
  std::function<void(const std::string& reason)> reason;
};

// One upload of the file nomimage to the host at base address B (ending with
// "/"), through but. An https address gets a TLS transport for the length of
// the upload; the proxy the environment names for B (http_proxy,
// https_proxy, no_proxy) is used. Network and protocol failures are
// swallowed phase by phase; the upload then ends with kStatusUploadFailed in
// red and kNoImageAddress as its link, and the reason hook hears why when
// the user can act on it. Only a file that cannot be opened (EFOpenError)
// ends it early, before anything was sent.
//
// Each follow-up request asks for the Location of the last reply of this
// upload (B alone when none came yet), and only redirects received in this
// upload are journalled: what a failed request leaves in the client belongs
// to an earlier reply. A request that gets no reply at all ends the
// dialogue: the later phases are shown but send nothing.
//
// With ucFetchBack the tag found is then checked (status kStatusUploadCheck);
// a check that fails ends the upload as a failure. Returns true when the
// upload gave a tag (and, with ucFetchBack, the check passed).
bool UploadCapture(TNetHTTP& but, const std::string& B, const std::string& nomimage, const TUploadHooks& hooks,
                   TUploadCheck check = TUploadCheck::ucTag);

}  // namespace vitrix
