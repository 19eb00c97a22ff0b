#include "http/uri.h"

#include <algorithm>

#include "http/http_exceptions.h"

namespace vitrix {
namespace {

constexpr std::string_view kSchemeEnd = "://";

// The text before the first separator and the text after it; when the
// separator is missing, all of the text and nothing.
std::pair<std::string_view, std::string_view> SplitAt(std::string_view text, char separator) {
  const size_t at = text.find(separator);
  if (at == std::string_view::npos) return {text, {}};
  return {text.substr(0, at), text.substr(at + 1)};
}

}  // namespace

void TNetURI::SetURI(std::string_view uri) {
  uri_.assign(uri);
  std::replace(uri_.begin(), uri_.end(), '\\', '/');
  protocol_.clear();
  username_.clear();
  password_.clear();
  host_.clear();
  port_.clear();
  path_.clear();
  document_.clear();
  params_.clear();
  bookmark_.clear();

  std::string_view rest = uri_;
  const size_t scheme_end = rest.find(kSchemeEnd);
  if (scheme_end != std::string_view::npos) {
    protocol_.assign(rest.substr(0, scheme_end));
    rest.remove_prefix(scheme_end + kSchemeEnd.size());
    auto [authority, after] = SplitAt(rest, '/');
    rest = after;
    if (const size_t at = authority.find('@'); at != std::string_view::npos) {
      const auto [user, password] = SplitAt(authority.substr(0, at), ':');
      username_.assign(user);
      if (!username_.empty()) password_.assign(password);
      authority.remove_prefix(at + 1);
    }
    // An IPv6 address is written in brackets, its colons not being a port's:
    // the host keeps its brackets, as a Host header and a rebuilt address
    // need them.
    const size_t bracket = authority.substr(0, 1) == "[" ? authority.find(']') : std::string_view::npos;
    if (bracket != std::string_view::npos) {
      host_.assign(authority.substr(0, bracket + 1));
      const std::string_view after_host = authority.substr(bracket + 1);
      if (after_host.substr(0, 1) == ":") port_.assign(after_host.substr(1));
    } else {
      const auto [host, port] = SplitAt(authority, ':');
      host_.assign(host);
      port_.assign(port);
    }
    SplitPathAndQuery(rest, TPathKind::pkAbsolute);
  } else {
    SplitPathAndQuery(rest, TPathKind::pkRelative);
  }

  if (bookmark_.empty()) {
    if (const size_t hash = params_.find('#'); hash != std::string::npos) {
      bookmark_ = params_.substr(hash + 1);
      params_.erase(hash);
    }
  }
}

void TNetURI::SplitPathAndQuery(std::string_view rest, TPathKind kind) {
  // The query starts at the first "?", or else at the first "=".
  size_t query = rest.find('?');
  if (query == std::string_view::npos) query = rest.find('=');
  // The path ends with the last "/" before the query.
  const size_t slash = query == std::string_view::npos ? rest.rfind('/') : rest.rfind('/', query);
  const size_t path_length = slash == std::string_view::npos ? 0 : slash + 1;

  path_.assign(kind == TPathKind::pkAbsolute ? 1 : 0, '/');
  path_.append(rest.substr(0, path_length));
  std::string_view document = rest;
  if (query != std::string_view::npos) {
    document = rest.substr(0, query);
    params_.assign(rest.substr(query));
  }
  document.remove_prefix(std::min(path_length, document.size()));
  const auto [before, after] = SplitAt(document, '#');
  document_.assign(before);
  if (before.size() != document.size()) bookmark_.assign(after);
}

std::string TNetURI::BuildURI(bool with_user_info, bool with_bookmark) const {
  if (protocol_.empty()) throw ENetURIException("Le champ protocole est vide");
  if (host_.empty()) throw ENetURIException("Le champ h\xF4te est vide");
  std::string text = protocol_ + std::string(kSchemeEnd);
  if (with_user_info && !username_.empty()) {
    text += username_;
    if (!password_.empty()) text += ":" + password_;
    text += "@";
  }
  text += host_;
  if (!port_.empty()) text += ":" + port_;
  text += path_ + document_ + params_;
  if (with_bookmark && !bookmark_.empty()) text += "#" + bookmark_;
  return text;
}

}  // namespace vitrix
