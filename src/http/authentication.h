#pragma once

// Authentication schemes for "Authorization" / "Proxy-Authorization", the
// credentials each of the two headers is made of, and the registry of scheme
// names the client chooses from when a reply asks for credentials. "Basic"
// is registered from the start.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "http/header_list.h"

namespace vitrix {

enum class TNetAuthWhatsNext { wnAskTheProgram, wnDoRequest, wnFail };

class TNetAuthentication {
 public:
  TNetAuthentication() = default;
  TNetAuthentication(const TNetAuthentication&) = delete;
  TNetAuthentication& operator=(const TNetAuthentication&) = delete;
  virtual ~TNetAuthentication() = default;

  // The scheme's class name, as the registry knows it.
  virtual std::string ClassName() const = 0;
  // The header value that proves the credentials.
  virtual std::string Authentication() = 0;
  // How many exchanges the scheme needs.
  virtual int Steps() const { return 1; }
  // Goes one step on once the program has given the credentials.
  virtual TNetAuthWhatsNext Next();
  // Back to the first step.
  virtual void Reset() { current_step_ = 0; }
  int CurrentStep() const { return current_step_; }
  // Every step has been done.
  bool Completed() const { return current_step_ >= Steps(); }

  const std::string& Username() const { return username_; }
  void SetUsername(std::string value) { username_ = std::move(value); }
  const std::string& Password() const { return password_; }
  void SetPassword(std::string value) { password_ = std::move(value); }
  // What the server's challenge said.
  TNetHeaderList& AuthParams() { return params_; }

 protected:
  int current_step_ = 0;

 private:
  std::string username_;
  std::string password_;
  TNetHeaderList params_;
};

// "Basic " and the Base64 of user name ":" password.
class TNetBasicAuthentication : public TNetAuthentication {
 public:
  std::string ClassName() const override { return "TNetBasicAuthentication"; }
  std::string Authentication() override;
};

// The credentials of one side of an exchange: the server's, sent as
// "Authorization" (kept in the request), or a proxy's, sent as
// "Proxy-Authorization" (kept in the proxy settings). A user name, a
// password, whether Basic is to be made of them, and the attached
// authenticator (owned), which carries over from one request to the next.
class TNetCredentials {
 public:
  const std::string& Username() const { return username_; }
  void SetUsername(std::string value) { username_ = std::move(value); }
  const std::string& Password() const { return password_; }
  void SetPassword(std::string value) { password_ = std::move(value); }
  bool BasicAuthentication() const { return basic_authentication_; }
  void SetBasicAuthentication(bool value) { basic_authentication_ = value; }
  TNetAuthentication* Authentication() const { return authentication_.get(); }
  void SetAuthentication(std::unique_ptr<TNetAuthentication> authentication) {
    authentication_ = std::move(authentication);
  }

  // The authenticator whose value the request header carries: the attached
  // one; without one and with BasicAuthentication on, a Basic one made now
  // of the user name and password, which stays attached. Null: no header.
  TNetAuthentication* AuthenticationToSend();
  // Forgets the user name and the password and turns Basic off; the
  // attached authenticator stays.
  void ClearCredentials();

 private:
  std::string username_;
  std::string password_;
  bool basic_authentication_ = false;
  std::unique_ptr<TNetAuthentication> authentication_;
};

using TNetAuthenticationClass = std::function<std::unique_ptr<TNetAuthentication>()>;

// Registers a scheme name (compared without regard to case) with the class
// that answers it; a name registered twice raises
// ENetAlreadyRegisteredAuthenticationMethod naming the class already there.
void RegisterAuthenticationMethod(std::string_view scheme, std::string class_name, TNetAuthenticationClass factory);
void UnregisterAuthenticationMethod(std::string_view scheme);
// The class for a scheme, or an empty function.
TNetAuthenticationClass FindAuthClass(std::string_view scheme);

// Base64 with the standard alphabet and "=" padding.
std::string EncodeBase64(std::string_view bytes);

}  // namespace vitrix
