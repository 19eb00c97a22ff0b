// A reply (status line, header block and whatever follows) of arbitrary
// bytes, cut into arbitrary receives, answering a GET: the client either
// finishes or raises one of the network exceptions, never anything else; it
// reads no more than a head's limits; and the same client then fetches the
// next reply on a fresh connection correctly.
//
// Input: byte 0 seeds the cuts and chooses whether the peer closes after the
// bytes (else a read waits and times out at once); the rest is the reply.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "http/http_client.h"
#include "http/http_exceptions.h"
#include "http/http_parse.h"
#include "net/net_exceptions.h"
#include "net/testing/io_handler_memory.h"
#include "rtl/exceptions.h"
#include "rtl/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vitrix;
  using vitrix::fuzz::Check;
  if (size < 1) return 0;
  uint32_t cut_state = data[0] | 0x100u;
  const bool peer_closes = (data[0] & 1) != 0;
  const std::string_view reply(reinterpret_cast<const char*>(data) + 1, size - 1);

  TNetIOHandlerMemory transport;
  for (size_t at = 0; at < reply.size();) {
    cut_state = cut_state * 1103515245u + 12345u;
    const size_t piece = 1 + (cut_state >> 16) % 64;
    transport.AddInput(std::string(reply.substr(at, piece)));
    at += piece;
  }
  if (peer_closes) transport.ClosePeer();

  TNetHTTP client;
  client.SetIOHandler(&transport);
  TStringStream body;
  try {
    client.Get("http://fuzz.example/page", &body);
  } catch (const ENetHTTPProtocolException& e) {
    Check(e.ReplyErrorCode() == client.ResponseCode(), "the exception carries the reply's code");
    Check(static_cast<int64_t>(e.ErrorMessage().size()) <= TNetCustomHTTP::kMaxScratchBody, "an error body is bounded");
  } catch (const ENetException&) {
  } catch (const EConvertError&) {
    // A Set-cookie2 Port list that is no list of numbers.
  }
  Check(client.Response().RawHeaders().Count() < TNetCustomHTTP::kMaxReplyHeadLines, "at most 1000 head lines");
  Check(client.ResponseCode() == ResponseCodeOf(client.ResponseText()), "the code comes from the status line");
  Check(body.Size() <= static_cast<int64_t>(reply.size()), "the body comes from the reply");

  // The next request works: a fresh connection unless this one is clean.
  client.Disconnect();
  TNetIOHandlerMemory next;
  next.AddInput("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nnext");
  client.SetIOHandler(&next);
  TStringStream second;
  client.Get("http://fuzz.example/again", &second);
  Check(second.DataString() == "next", "the client works for the next request");
  return 0;
}
