#include "http/cookie.h"

#include <cmath>

#include "http/internet_date.h"
#include "rtl/exceptions.h"
#include "rtl/strings.h"

namespace vitrix {
namespace {

// "name=value" pieces joined by "; ", each only when the value is not empty.
void AppendAttribute(std::string& text, std::string_view name, std::string_view value) {
  if (value.empty()) return;
  if (!text.empty()) text += "; ";
  text.append(name);
  text += '=';
  text.append(value);
}

void AppendFlag(std::string& text, std::string_view name) {
  if (!text.empty()) text += "; ";
  text.append(name);
}

// The domain of a host: from its first "." to the end, or the whole host.
std::string_view DomainOfHost(std::string_view host) {
  const size_t dot = host.find('.');
  return dot == std::string_view::npos ? host : host.substr(dot);
}

bool IsHostName(std::string_view text) { return !IsIPText(text) && (text.empty() || text[0] != '.'); }

}  // namespace

TNetCookieAttributes::TNetCookieAttributes(std::string_view text) {
  std::vector<std::string> pieces;
  for (;;) {
    const size_t semicolon = text.find(';');
    if (semicolon == std::string_view::npos) {
      std::string last = Trim(text);
      if (!last.empty() || pieces.empty()) pieces.push_back(std::move(last));
      break;
    }
    pieces.push_back(Trim(text.substr(0, semicolon)));
    text.remove_prefix(semicolon + 1);
  }
  first_ = std::move(pieces.front());
  for (size_t i = 1; i < pieces.size(); ++i) {
    std::string& piece = pieces[i];
    const size_t equals = piece.find('=');
    if (equals == std::string::npos) {
      pieces_.push_back(UpperCase(piece));
    } else {
      pieces_.push_back(UpperCase(std::string_view(piece).substr(0, equals)) + piece.substr(equals));
    }
  }
}

const std::string* TNetCookieAttributes::Find(std::string_view upper_name) const {
  for (const std::string& piece : pieces_) {
    if (piece.size() > upper_name.size() && piece.compare(0, upper_name.size(), upper_name) == 0 &&
        piece[upper_name.size()] == '=') {
      return &piece;
    }
  }
  return nullptr;
}

std::string TNetCookieAttributes::Value(std::string_view upper_name) const {
  const std::string* piece = Find(upper_name);
  return piece == nullptr ? std::string() : piece->substr(upper_name.size() + 1);
}

bool TNetCookieAttributes::Has(std::string_view upper_name) const { return Find(upper_name) != nullptr; }

bool TNetCookieAttributes::HasFlag(std::string_view upper_name) const {
  for (const std::string& piece : pieces_) {
    if (piece == upper_name) return true;
  }
  return false;
}

bool IsIPText(std::string_view text) {
  for (int part = 0; part < 4; ++part) {
    const size_t dot = part < 3 ? text.find('.') : std::string_view::npos;
    if (part < 3 && dot == std::string_view::npos) return false;
    const std::string_view field = text.substr(0, dot);
    if (field.empty() || field.size() > 3) return false;
    int value = 0;
    for (const char c : field) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    if (value > 255) return false;
    if (part < 3) text.remove_prefix(dot + 1);
  }
  return true;
}

// ------------------------------------------------------------ Netscape

TNetNetscapeCookie::TNetNetscapeCookie(TCollection* collection) : TCollectionItem(collection) {}

void TNetNetscapeCookie::SetCookieText(std::string_view text) {
  if (text == cookie_text_) return;
  cookie_text_.assign(text);
  const TNetCookieAttributes attributes(cookie_text_);
  const std::string& first = attributes.First();
  const size_t equals = first.find('=');
  if (equals == std::string::npos) {
    name_.clear();
    value_.clear();
  } else {
    name_ = first.substr(0, equals);
    value_ = first.substr(equals + 1);
  }
  LoadProperties(attributes);
}

void TNetNetscapeCookie::LoadProperties(const TNetCookieAttributes& attributes) {
  std::string path = attributes.Value("PATH");
  if (!path.empty() && path.front() == '"') path.erase(0, 1);
  if (!path.empty() && path.back() == '"') path.pop_back();
  path_ = std::move(path);
  SetExpires(attributes.Value("EXPIRES"));
  domain_ = attributes.Value("DOMAIN");
  secure_ = attributes.HasFlag("SECURE");
}

void TNetNetscapeCookie::SetExpires(std::string_view text) { expires_.assign(text); }

std::string TNetNetscapeCookie::ServerCookieText() const {
  std::string text;
  AppendAttribute(text, name_, value_);
  AppendAttribute(text, "path", path_);
  if (format_ == TNetCookieFormat::cfNetscape) AppendAttribute(text, "expires", expires_);
  AppendAttribute(text, "domain", domain_);
  if (secure_) AppendFlag(text, "secure");
  AppendServerAttributes(text);
  return text;
}

void TNetNetscapeCookie::AppendServerAttributes(std::string&) const {}

std::string TNetNetscapeCookie::ClientCookieText() const { return name_ + "=" + value_; }

bool TNetNetscapeCookie::IsValidCookie(std::string_view host) const {
  if (IsIPText(host)) return domain_ == host;
  if (IsHostName(host)) return IsHostName(domain_) ? domain_ == host : domain_ == DomainOfHost(host);
  return SameText(domain_, DomainOfHost(host));
}

// ------------------------------------------------------------- RFC 2109

TNetCookieRFC2109::TNetCookieRFC2109(TCollection* collection) : TNetNetscapeCookie(collection) {
  format_ = TNetCookieFormat::cfRFC2109;
}

void TNetCookieRFC2109::SetExpires(std::string_view text) {
  TNetNetscapeCookie::SetExpires(text);
  if (text.empty()) return;
  const TDateTime expiry = GMTToLocalDateTime(text);
  const double seconds = std::floor((expiry - Now()) * kSecondsPerDay);
  max_age_ = seconds > 0 ? static_cast<int64_t>(seconds) : 0;
}

void TNetCookieRFC2109::LoadProperties(const TNetCookieAttributes& attributes) {
  TNetNetscapeCookie::LoadProperties(attributes);
  max_age_ = attributes.Has("MAX-AGE") ? TryStrToInt(attributes.Value("MAX-AGE")).value_or(-1) : -1;
  version_ = attributes.Value("VERSION");
  comment_ = attributes.Value("COMMENT");
  if (expires_.empty()) {
    format_ = TNetCookieFormat::cfNetscape;
    if (max_age_ >= 0) expires_ = DateTimeToInternetStr(Now() + static_cast<double>(max_age_) / kSecondsPerDay);
  }
}

void TNetCookieRFC2109::AppendServerAttributes(std::string& text) const {
  if (max_age_ >= 0 && expires_.empty()) AppendAttribute(text, "max-age", IntToStr(max_age_));
  AppendAttribute(text, "comment", comment_);
  AppendAttribute(text, "version", version_);
}

// ------------------------------------------------------------- RFC 2965

TNetCookieRFC2965::TNetCookieRFC2965(TCollection* collection) : TNetCookieRFC2109(collection) {
  format_ = TNetCookieFormat::cfRFC2965;
}

void TNetCookieRFC2965::LoadProperties(const TNetCookieAttributes& attributes) {
  TNetCookieRFC2109::LoadProperties(attributes);
  comment_url_ = attributes.Value("COMMENTURL");
  discard_ = attributes.HasFlag("DISCARD");
  const std::string ports = attributes.Value("PORT");
  if (ports.empty()) {
    port_list_ = {80};
    return;
  }
  if (ports.size() < 2 || ports.front() != '"' || ports.back() != '"') return;
  const std::string_view inside = std::string_view(ports).substr(1, ports.size() - 2);
  std::vector<int> list;
  size_t start = 0;
  while (start <= inside.size() && !inside.empty()) {
    const size_t comma = inside.find(',', start);
    const std::string_view item = inside.substr(start, comma == std::string_view::npos ? comma : comma - start);
    const auto number = TryStrToInt(Trim(item));
    if (!number)
      throw EConvertError("'" + std::string(item) +
                          "' n'est pas une valeur enti\xE8"
                          "re correcte");
    list.push_back(*number);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  port_list_ = list.empty() ? std::vector<int>{80} : std::move(list);
}

}  // namespace vitrix
