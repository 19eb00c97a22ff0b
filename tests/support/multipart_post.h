#pragma once

// A multipart body sent the plainest way, without the HTTP client: a
// TNetTCPClient writes a minimal HTTP/1.0 "POST /upload" head in one piece,
// then the body from its start. For checking bodies against other parsers
// and for timing the transfer alone. Programs that include it link the HTTP
// library.

#include "http/multipart_stream.h"
#include "net/tcp_client.h"
#include "rtl/strings.h"

namespace vitrix::test {

// Connects client to 127.0.0.1:port and sends body; the reply is left to
// read.
inline void PostMultipart(TNetTCPClient& client, int port, TNetMultiPartFormDataStream& body) {
  client.SetHost("127.0.0.1");
  client.SetPort(port);
  client.Connect();
  client.BeginBufferedWrites();
  client.WriteLine("POST /upload HTTP/1.0");
  client.WriteLine("Host: 127.0.0.1:" + IntToStr(port));
  client.WriteLine("Content-Type: " + body.BodyContentType());
  client.WriteLine("Content-Length: " + IntToStr(body.Size()));
  client.WriteLine();
  client.EndBufferedWrites();
  client.WriteFromStream(body, true);
}

}  // namespace vitrix::test
