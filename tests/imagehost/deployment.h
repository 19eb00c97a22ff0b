#pragma once

// The image host's nginx + php-fpm deployment (tools/imagehost/deploy/start)
// running for one test: a test certificate authority and a server
// certificate for localhost made in a private folder, the servers on free
// loopback ports, and everything stopped and removed when the object goes
// away. The start script also stops the servers by itself when this process
// ends, however it ends.

#include <memory>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vitrix::test {

class ImageHostDeployment {
 public:
  ImageHostDeployment();
  ~ImageHostDeployment();
  ImageHostDeployment(const ImageHostDeployment&) = delete;
  ImageHostDeployment& operator=(const ImageHostDeployment&) = delete;

  bool Started() const { return https_port_ != 0 && plain_port_ != 0; }
  // What the start script and the servers logged, for a failure's message.
  std::string Log() const;

  // The site over https, as people reach it (the name is localhost, the
  // certificate's), and the plain-http listener the script opens for
  // clients without TLS; both end with "/".
  std::string HttpsBaseURL() const { return "https://localhost:" + std::to_string(https_port_) + "/"; }
  std::string PlainBaseURL() const { return "http://127.0.0.1:" + std::to_string(plain_port_) + "/"; }
  int HttpsPort() const { return https_port_; }

  // The authority that signed the server's certificate.
  std::string CAFile() const { return dir_.Path() + "cert/ca.pem"; }
  // The folder the stored images are in.
  std::string ImagesDir() const { return dir_.Path() + "data/images/"; }

 private:
  // Directly under /tmp and open to others for traversal: run as root, the
  // servers run as nobody, who must reach this folder.
  TempDir dir_{"/tmp"};
  std::unique_ptr<ChildProcess> process_;
  int https_port_ = 0;
  int plain_port_ = 0;
};

}  // namespace vitrix::test
