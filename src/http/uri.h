#pragma once

// A URL split into its parts, and composed again from them. Splitting never
// fails: any text gives some parts. Back slashes count as forward slashes.

#include <string>
#include <string_view>

namespace vitrix {

class TNetURI {
 public:
  TNetURI() = default;
  explicit TNetURI(std::string_view uri) { SetURI(uri); }

  // The text last given, back slashes turned into forward slashes.
  const std::string& URI() const { return uri_; }
  // Stores the text and splits it again, every part being cleared first.
  void SetURI(std::string_view uri);

  const std::string& Protocol() const { return protocol_; }
  const std::string& UserName() const { return username_; }
  const std::string& Password() const { return password_; }
  const std::string& Host() const { return host_; }
  const std::string& Port() const { return port_; }
  const std::string& Path() const { return path_; }
  const std::string& Document() const { return document_; }
  const std::string& Params() const { return params_; }
  const std::string& Bookmark() const { return bookmark_; }

  void SetProtocol(std::string value) { protocol_ = std::move(value); }
  void SetUserName(std::string value) { username_ = std::move(value); }
  void SetPassword(std::string value) { password_ = std::move(value); }
  void SetHost(std::string value) { host_ = std::move(value); }
  void SetPort(std::string value) { port_ = std::move(value); }
  void SetPath(std::string value) { path_ = std::move(value); }
  void SetDocument(std::string value) { document_ = std::move(value); }
  void SetParams(std::string value) { params_ = std::move(value); }
  void SetBookmark(std::string value) { bookmark_ = std::move(value); }

  // Protocol "://" [user [":" password] "@"] host [":" port] path document
  // params ["#" bookmark]. ENetURIException when the protocol or the host
  // is empty.
  std::string BuildURI(bool with_user_info = true, bool with_bookmark = true) const;

 private:
  // A path after an authority starts with "/"; one without is relative.
  enum class TPathKind { pkAbsolute, pkRelative };
  // Path, document and params from what follows the authority.
  void SplitPathAndQuery(std::string_view rest, TPathKind kind);

  std::string uri_;
  std::string protocol_;
  std::string username_;
  std::string password_;
  std::string host_;
  std::string port_;
  std::string path_;
  std::string document_;
  std::string params_;
  std::string bookmark_;
};

}  // namespace vitrix
