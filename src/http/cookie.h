#pragma once

// One cookie as a server sent it: TNetNetscapeCookie knows the original
// attributes (path, expires, domain, secure), TNetCookieRFC2109 adds max-age,
// version and comment, TNetCookieRFC2965 the CommentURL, Discard and Port
// attributes. Cookies are items of the store's collection (cookie_store.h).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/collections.h"

namespace vitrix {

enum class TNetCookieFormat { cfNetscape, cfRFC2109, cfRFC2965 };

// A cookie text split at ";": the first piece as it came, the others with
// their attribute names upper-cased (the whole piece when it has no "=").
class TNetCookieAttributes {
 public:
  explicit TNetCookieAttributes(std::string_view text);
  const std::string& First() const { return first_; }
  // The value of the first attribute of that name (upper case), empty when
  // there is none.
  std::string Value(std::string_view upper_name) const;
  bool Has(std::string_view upper_name) const;
  // An attribute piece "NAME" without "=".
  bool HasFlag(std::string_view upper_name) const;

 private:
  const std::string* Find(std::string_view upper_name) const;
  std::string first_;
  std::vector<std::string> pieces_;
};

// An IP text: four "."-separated integers from 0 to 255, the fourth being the
// rest of the text.
bool IsIPText(std::string_view text);

class TNetNetscapeCookie : public TCollectionItem {
 public:
  explicit TNetNetscapeCookie(TCollection* collection);

  // Parses text into the fields; the same text again changes nothing.
  void SetCookieText(std::string_view text);
  const std::string& CookieText() const { return cookie_text_; }

  // The cookie in header form, each attribute written only when it has a
  // value.
  virtual std::string ServerCookieText() const;
  std::string CookieTextForServer() const { return ServerCookieText(); }
  // "name=value", as a request carries it.
  virtual std::string ClientCookieText() const;
  virtual void SetExpires(std::string_view text);
  // The cookie may be stored for an answer from host.
  virtual bool IsValidCookie(std::string_view host) const;

  const std::string& CookieName() const { return name_; }
  void SetCookieName(std::string name) { name_ = std::move(name); }
  const std::string& CookieValue() const { return value_; }
  void SetCookieValue(std::string value) { value_ = std::move(value); }
  const std::string& CookieDomain() const { return domain_; }
  void SetCookieDomain(std::string domain) { domain_ = std::move(domain); }
  const std::string& CookiePath() const { return path_; }
  void SetCookiePath(std::string path) { path_ = std::move(path); }
  const std::string& CookieExpires() const { return expires_; }
  bool CookieSecure() const { return secure_; }
  void SetCookieSecure(bool secure) { secure_ = secure; }
  TNetCookieFormat CookieFormat() const { return format_; }
  void SetCookieFormat(TNetCookieFormat format) { format_ = format; }
  int64_t CookieMaxAge() const { return max_age_; }
  void SetCookieMaxAge(int64_t max_age) { max_age_ = max_age; }
  const std::string& CookieVersion() const { return version_; }
  const std::string& CookieComment() const { return comment_; }

 protected:
  // Fills the attributes from the parsed pieces; each class calls its base
  // first.
  virtual void LoadProperties(const TNetCookieAttributes& attributes);
  // The attributes of RFC 2109 written after the Netscape ones.
  virtual void AppendServerAttributes(std::string& text) const;

  std::string cookie_text_;
  std::string name_;
  std::string value_;
  std::string domain_;
  std::string path_;
  std::string expires_;
  bool secure_ = false;
  TNetCookieFormat format_ = TNetCookieFormat::cfNetscape;
  int64_t max_age_ = -1;
  std::string version_;
  std::string comment_;
};

class TNetCookieRFC2109 : public TNetNetscapeCookie {
 public:
  explicit TNetCookieRFC2109(TCollection* collection);
  // Also derives CookieMaxAge from the date.
  void SetExpires(std::string_view text) override;

 protected:
  void LoadProperties(const TNetCookieAttributes& attributes) override;
  void AppendServerAttributes(std::string& text) const override;
};

class TNetCookieRFC2965 : public TNetCookieRFC2109 {
 public:
  explicit TNetCookieRFC2965(TCollection* collection);

  const std::string& CookieCommentURL() const { return comment_url_; }
  bool CookieDiscard() const { return discard_; }
  const std::vector<int>& CookiePortList() const { return port_list_; }

 protected:
  // A quoted Port list whose item is no number raises EConvertError.
  void LoadProperties(const TNetCookieAttributes& attributes) override;

 private:
  std::string comment_url_;
  bool discard_ = false;
  std::vector<int> port_list_;
};

}  // namespace vitrix
