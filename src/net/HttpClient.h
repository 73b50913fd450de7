// THttpClient: the event-driven HTTP/1.0 client every download goes through.
// It runs on the loop's thread; SyncGet waits by serving the loop, so timers
// and user input keep running during a transfer. It understands chunked
// bodies and follows relocations (at most kMaxRelocations per request).
// http:// and https:// URLs are served; https runs TLS over the same socket
// (through a proxy, inside a CONNECT tunnel).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/SecureSocket.h"
#include "net/Stream.h"
#include "util/DateTime.h"
#include "util/EventLoop.h"

namespace ombrix {

enum THttpState : int {
  httpReady = 0,
  httpNotConnected = 1,
  httpConnected = 2,
  httpDnsLookup = 3,
  httpDnsLookupDone = 4,
  httpWaitingHeader = 5,
  httpWaitingBody = 6,
  httpBodyReceived = 7,
  httpWaitingProxyConnection = 8,
  httpClosing = 9,
  httpAborting = 10,
};

enum THttpRequest : int { httpGET = 0 };

// An HTTP failure: the status code (or the client's own code) and its text.
class EHttpException : public std::runtime_error {
 public:
  EHttpException(const std::string& message, int errorCode) : std::runtime_error(message), ErrorCode(errorCode) {}
  int ErrorCode;
};

class THttpClient {
 public:
  static constexpr std::size_t kRcvBufSize = 8190;
  static constexpr int kMaxRelocations = 10;
  // A response header (status line and header lines together) may not grow
  // beyond this: a server sending header lines without end fails the request.
  static constexpr std::size_t kMaxHeaderBytes = 64 * 1024;

  explicit THttpClient(EventLoop& loop);
  ~THttpClient();
  THttpClient(const THttpClient&) = delete;
  THttpClient& operator=(const THttpClient&) = delete;

  // --- Configuration ---
  std::string URL;
  std::string Proxy;             // empty: direct connection; may carry ":port"
  std::string ProxyPort = "80";  // used when Proxy names no port
  std::string RequestVer = "1.0";
  std::string Agent = "Mozilla/4.0 (compatible; Ombrix)";
  std::string Accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  bool NoCache = false;
  bool FollowRelocation = true;
  std::string LocalAddr = "0.0.0.0";
  std::string Sender, Reference, Connection, ProxyConnection, AcceptLanguage, Cookie;
  std::string ContentRangeBegin, ContentRangeEnd, Username, Password;
  TDateTime ModifiedSince = 0;
  TStream* RcvdStream = nullptr;  // owned by the caller

  // --- Results of the current or last request ---
  THttpState State() const { return state_; }
  int StatusCode() const { return statusCode_; }
  const std::string& ReasonPhrase() const { return reasonPhrase_; }
  long long ContentLength() const { return contentLength_; }
  long long RcvdCount() const { return rcvdCount_; }
  // Body bytes that came after the announced Content-Length: not written to
  // the stream, but a sign the response cannot be trusted.
  long long ExcessCount() const { return excessCount_; }
  // The connection closed in the middle of a body whose end is known: a
  // chunked body before its final zero-size chunk, or a body shorter than its
  // Content-Length. The request ends normally; the caller must not trust it.
  bool BodyCut() const { return bodyCut_; }
  const std::vector<std::string>& RcvdHeader() const { return rcvdHeader_; }
  const std::string& ContentType() const { return contentType_; }
  const std::string& TransferEncoding() const { return transferEncoding_; }
  const std::string& Location() const { return location_; }
  const std::string& Version() const { return version_; }
  int RequestDoneError() const { return requestDoneError_; }
  const std::string& Hostname() const { return targetHost_; }
  const std::string& Path() const { return targetPath_; }
  int RelocationCount() const { return relocations_; }

  // --- Events; each gets the client as sender ---
  using Notify = std::function<void(THttpClient&)>;
  Notify OnStateChange, OnSessionConnected, OnRequestHeaderBegin, OnRequestHeaderEnd, OnHeaderBegin, OnHeaderData,
      OnHeaderEnd, OnDocBegin, OnDocEnd, OnSessionClosed, OnLocationChange;
  std::function<void(THttpClient&, std::string& line)> OnCommand;
  std::function<void(THttpClient&, const char* data, int len)> OnDocData;
  std::function<void(THttpClient&, THttpRequest request, int error)> OnRequestDone;
  std::function<void(THttpClient&, int error)> OnSocketError;

  // Starts a GET and returns when the client is ready again, serving the
  // loop meanwhile. Raises EHttpException for status 400 and above (but 401
  // and 407), when busy (code 1) or for an unknown RequestVer (code 5).
  void SyncGet();
  // Starts a GET and returns at once.
  void GetASync();
  void AbortRequest();

 private:
  enum class Phase { Idle, Tunnel, Header, Body };
  enum class BodyMode { Length, Chunked, UntilClose };
  enum class Chunk { Size, SizeLine, Data, DataEnd, Trailer };

  void StartGet();
  void ParseTarget(const std::string& url);
  void Relocate();
  void ConnectOrReuse();
  void OnLookupDone(int error, std::uint32_t ipv4);
  void OnConnected(int error);
  void OnTlsDone(const std::string& error);
  void SendTunnelRequest();
  void TunnelReply();
  bool Proxied() const;
  void SendRequest();
  void OnDataAvailable();
  void ProcessBuffer();
  void HeaderLine(const std::string& line);
  void HeaderEnd();
  void ProcessBody(const char* data, std::size_t len);
  bool Deliver(const char* data, std::size_t len);
  void BodyComplete();
  void ResponseDone();
  void PeerClosed(int error);
  void CloseConnection(bool abort, bool notify);
  void Fail(const std::string& reason, int doneError);
  void SetReady(bool posted);
  void SetState(THttpState state);
  void ResetResponse();
  bool Alive(unsigned generation) const { return generation == generation_; }

  EventLoop& loop_;
  SecureSocket socket_;
  std::shared_ptr<THttpClient*> self_;

  THttpState state_ = httpReady;
  Phase phase_ = Phase::Idle;
  unsigned generation_ = 0;  // moves on whenever a request ends or starts

  // Target of the request and of the open connection.
  std::string targetScheme_, targetUser_, targetPass_, targetHost_, targetPath_;
  int targetPort_ = 80;
  bool targetHasPort_ = false;
  std::string connectHost_, connScheme_, connHost_;
  int connectPort_ = 80, connPort_ = 0;
  bool connUsable_ = false;

  // Response.
  int statusCode_ = 0;
  std::string reasonPhrase_, version_;
  long long contentLength_ = -1, rcvdCount_ = 0, excessCount_ = 0;
  std::size_t headerBytes_ = 0;
  bool bodyCut_ = false;
  std::vector<std::string> rcvdHeader_;
  std::string contentType_, transferEncoding_, location_;
  bool closeAfterResponse_ = true;
  bool firstLine_ = true, docBegun_ = false, docEnded_ = false;
  int requestDoneError_ = 0;
  int relocations_ = 0;
  long long streamMark_ = 0;

  BodyMode bodyMode_ = BodyMode::UntilClose;
  Chunk chunk_ = Chunk::Size;
  long long chunkLeft_ = 0;
  bool chunkDigits_ = false;

  char buf_[kRcvBufSize + 1];
  std::size_t bufLen_ = 0;
};

}  // namespace ombrix
