#include "http/header_info.h"

#include <utility>
#include <vector>

#include "http/internet_date.h"
#include "rtl/strings.h"

namespace vitrix {
namespace {

using HeaderLines = std::vector<std::pair<const char*, std::string>>;

std::string DateText(TDateTime value) { return value == 0 ? std::string() : DateTimeToInternetStr(value); }

std::string RangeText(int64_t start, int64_t end) {
  if (start == 0 && end == 0) return {};
  return "bytes=" + IntToStr(start) + "-" + (end == 0 ? std::string() : IntToStr(end));
}

// Appends the set lines of generated to out, except those whose name is
// among the custom lines: these take the custom line's place instead.
void EmitGenerated(const HeaderLines& generated, TNetHeaderList& custom, TNetHeaderList& out) {
  for (const auto& [name, value] : generated) {
    if (value.empty()) continue;
    if (custom.IndexOfName(name) >= 0) {
      custom.SetValue(name, value);
      continue;
    }
    for (std::string& piece : TNetHeaderList::FoldLine(std::string(name) + ": " + value, out.FoldLength())) {
      out.Add(std::move(piece));
    }
  }
}

// "bytes 0-99/200": the start and the end.
void ParseContentRange(std::string_view text, int64_t& start, int64_t& end) {
  start = end = 0;
  if (text.empty()) return;
  const size_t space = text.find(' ');
  if (space != std::string_view::npos) text.remove_prefix(space + 1);
  const size_t hyphen = text.find('-');
  start = StrToInt64Def(Trim(text.substr(0, hyphen)), 0);
  if (hyphen == std::string_view::npos) return;
  text.remove_prefix(hyphen + 1);
  end = StrToInt64Def(Trim(text.substr(0, text.find('/'))), 0);
}

}  // namespace

// ------------------------------------------------------------------ entity

TNetEntityHeaderInfo::TNetEntityHeaderInfo() { ClearEntity(); }

void TNetEntityHeaderInfo::ClearEntity() {
  cache_control_.clear();
  connection_.clear();
  content_encoding_.clear();
  content_language_.clear();
  content_type_ = "text/html";
  content_version_.clear();
  pragma_.clear();
  content_length_ = -1;
  content_range_start_ = content_range_end_ = 0;
  date_ = expires_ = last_modified_ = 0;
  raw_headers_.Clear();
}

void TNetEntityHeaderInfo::Clear() { ClearEntity(); }

void TNetEntityHeaderInfo::ProcessEntityHeaders() {
  const TNetHeaderList& raw = raw_headers_;
  ParseContentRange(raw.Values("Content-Range"), content_range_start_, content_range_end_);
  cache_control_ = raw.Values("Cache-control");
  connection_ = raw.Values("Connection");
  content_version_ = raw.Values("Content-Version");
  content_encoding_ = raw.Values("Content-Encoding");
  content_language_ = raw.Values("Content-Language");
  content_type_ = raw.Values("Content-Type");
  SetContentLength(StrToInt64Def(raw.Values("Content-Length"), -1));
  date_ = GMTToLocalDateTime(raw.Values("Date"));
  last_modified_ = GMTToLocalDateTime(raw.Values("Last-Modified"));
  const std::string expires = raw.Values("Expires");
  if (const auto seconds = TryStrToInt64(expires)) {
    expires_ = Now() + static_cast<double>(*seconds) / kSecondsPerDay;
  } else {
    expires_ = GMTToLocalDateTime(expires);
  }
  pragma_ = raw.Values("Pragma");
}

void TNetEntityHeaderInfo::ProcessHeaders() { ProcessEntityHeaders(); }

void TNetEntityHeaderInfo::SetHeaders() {
  raw_headers_.Clear();
  TNetHeaderList custom(raw_headers_.FoldLength());
  custom.AddLines(custom_headers_);
  EmitGenerated({{"Connection", connection_},
                 {"Content-Version", content_version_},
                 {"Content-Encoding", content_encoding_},
                 {"Content-Language", content_language_},
                 {"Content-Type", content_type_},
                 {"Content-Length", content_length_ >= 0 ? IntToStr(content_length_) : std::string()},
                 {"Cache-control", cache_control_},
                 {"Date", DateText(date_)},
                 {"Expires", DateText(expires_)},
                 {"Pragma", pragma_}},
                custom, raw_headers_);
  raw_headers_.AddLines(custom);
}

// ----------------------------------------------------------------- request

TNetRequestHeaderInfo::TNetRequestHeaderInfo() { ClearRequest(); }

TNetRequestHeaderInfo::~TNetRequestHeaderInfo() = default;

void TNetRequestHeaderInfo::ClearRequest() {
  accept_ = kDefaultAccept;
  accept_charset_.clear();
  accept_encoding_.clear();
  accept_language_.clear();
  host_.clear();
  from_.clear();
  referer_.clear();
  user_agent_ = kDefaultUserAgent;
  proxy_connection_.clear();
  credentials_.ClearCredentials();
}

void TNetRequestHeaderInfo::Clear() {
  ClearEntity();
  ClearRequest();
}

void TNetRequestHeaderInfo::ProcessHeaders() {
  ProcessEntityHeaders();
  const TNetHeaderList& raw = raw_headers_;
  proxy_connection_ = raw.Values("Proxy-Connection");
  host_ = raw.Values("Host");
  accept_ = raw.Values("Accept");
  accept_charset_ = raw.Values("Accept-Charset");
  accept_encoding_ = raw.Values("Accept-Encoding");
  accept_language_ = raw.Values("Accept-Language");
  from_ = raw.Values("From");
  referer_ = raw.Values("Referer");
  user_agent_ = raw.Values("User-Agent");
}

void TNetRequestHeaderInfo::SetHeaders() {
  TNetEntityHeaderInfo::SetHeaders();
  // The entity part ends with the custom lines; the request's own lines
  // follow them, replacing any custom line of the same name in place.
  TNetHeaderList own(raw_headers_.FoldLength());
  TNetAuthentication* const authentication = credentials_.AuthenticationToSend();
  EmitGenerated({{"Proxy-Connection", proxy_connection_},
                 {"Host", host_},
                 {"Accept", accept_},
                 {"Accept-Charset", accept_charset_},
                 {"Accept-Encoding", accept_encoding_},
                 {"Accept-Language", accept_language_},
                 {"From", from_},
                 {"Referer", referer_},
                 {"User-Agent", user_agent_},
                 {"If-Modified-Since", DateText(last_modified_)},
                 {"Range", RangeText(content_range_start_, content_range_end_)},
                 {"Authorization", authentication != nullptr ? authentication->Authentication() : std::string()}},
                raw_headers_, own);
  raw_headers_.AddLines(own);
}

// ---------------------------------------------------------------- response

TNetResponseHeaderInfo::TNetResponseHeaderInfo() { ClearResponse(); }

void TNetResponseHeaderInfo::ClearResponse() {
  location_.clear();
  server_.clear();
  proxy_connection_.clear();
  www_authenticate_.Clear();
  proxy_authenticate_.Clear();
}

void TNetResponseHeaderInfo::Clear() {
  ClearEntity();
  ClearResponse();
}

void TNetResponseHeaderInfo::ProcessHeaders() {
  ProcessEntityHeaders();
  const TNetHeaderList& raw = raw_headers_;
  location_ = raw.Values("Location");
  server_ = raw.Values("Server");
  proxy_connection_ = raw.Values("Proxy-Connection");
  www_authenticate_.Clear();
  for (std::string& value : raw.Extract("WWW-Authenticate")) www_authenticate_.Add(std::move(value));
  proxy_authenticate_.Clear();
  for (std::string& value : raw.Extract("Proxy-Authenticate")) proxy_authenticate_.Add(std::move(value));
}

void TNetResponseHeaderInfo::SetHeaders() {
  TNetEntityHeaderInfo::SetHeaders();
  TNetHeaderList own(raw_headers_.FoldLength());
  EmitGenerated({{"Location", location_}, {"Server", server_}, {"Proxy-Connection", proxy_connection_}}, raw_headers_,
                own);
  raw_headers_.AddLines(own);
}

}  // namespace vitrix
