// THttpClient against real sockets on 127.0.0.1: a scripted server (and a
// scripted proxy) answer byte for byte, and the tests read what the client
// sent, what it wrote to its stream and which events it fired in which order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/HttpClient.h"
#include "net/NetTestSupport.h"
#include "support/ScriptedServer.h"

using namespace ombrix;
using namespace ombrix::test;

namespace {

const std::string kAccept = "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n";
const std::string kAgent = "User-Agent: Mozilla/4.0 (compatible; Ombrix)\r\n";

std::string Pattern(size_t n, char seed = 'a') {
  std::string s(n, ' ');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + i % 23);
  return s;
}

// A client on the platform loop with a memory stream and an event trail.
struct Fixture {
  PlatformLoop loop;
  THttpClient client{loop};
  TMemoryStream stream;
  std::vector<std::string> events;
  std::vector<int> states;
  Watchdog watchdog{loop, client};

  Fixture() {
    client.RcvdStream = &stream;
    client.OnStateChange = [this](THttpClient& c) {
      states.push_back(c.State());
      events.push_back("state " + std::to_string(c.State()));
    };
    client.OnHeaderEnd = [this](THttpClient&) { events.push_back("HeaderEnd"); };
    client.OnDocBegin = [this](THttpClient&) { events.push_back("DocBegin"); };
    client.OnDocData = [this](THttpClient&, const char*, int) {
      if (events.back() != "DocData") events.push_back("DocData");
    };
    client.OnDocEnd = [this](THttpClient&) { events.push_back("DocEnd"); };
    client.OnSessionClosed = [this](THttpClient&) { events.push_back("SessionClosed"); };
    client.OnRequestDone = [this](THttpClient&, THttpRequest, int error) {
      events.push_back("RequestDone " + std::to_string(error));
    };
    client.OnLocationChange = [this](THttpClient& c) { events.push_back("Location " + c.Path()); };
  }

  // Runs SyncGet; returns "" or the EHttpException as "code reason".
  std::string Get(const std::string& url) {
    client.URL = url;
    try {
      client.SyncGet();
    } catch (const EHttpException& e) {
      return std::to_string(e.ErrorCode) + " " + e.what();
    }
    return "";
  }
  // Lets posted events (OnRequestDone) run.
  void Settle() { PumpDelay(loop, 0.05); }
};

}  // namespace

TEST(HttpClient, DirectGetSendsExactRequestAndWalksStatesInOrder) {
  std::string body = Pattern(3000);
  ScriptedServer server({Script().Send(HttpResponse(200, "OK", body))});
  Fixture f;
  // An explicit port: the connection uses it, the Host line does not carry it.
  EXPECT_EQ(f.Get(server.BaseUrl() + "/ridge/RadarImg/"), "");
  f.Settle();
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0],
            "GET /ridge/RadarImg/ HTTP/1.0\r\n" + kAccept + kAgent + "Host: 127.0.0.1\r\n\r\n");
  EXPECT_EQ(f.stream.Data(), body);
  EXPECT_EQ(f.client.RcvdCount(), 3000);
  EXPECT_EQ(f.client.ContentLength(), 3000);
  EXPECT_EQ(f.client.StatusCode(), 200);
  EXPECT_EQ(f.client.ReasonPhrase(), "OK");
  EXPECT_EQ(f.states, (std::vector<int>{1, 3, 4, 2, 5, 6, 7, 0}));
  std::vector<std::string> expected = {"state 1", "state 3", "state 4", "state 2", "state 5", "HeaderEnd",
                                       "state 6", "DocBegin", "DocData", "state 7", "DocEnd", "SessionClosed",
                                       "state 0", "RequestDone 0"};
  EXPECT_EQ(f.events, expected);
}

TEST(HttpClient, OptionalRequestLinesFollowTheirProperties) {
  ScriptedServer server({Script().Send(HttpResponse(200, "OK", "x"))});
  Fixture f;
  f.client.RequestVer = "1.1";
  f.client.Sender = "me@example.invalid";
  f.client.Reference = "http://ref/";
  f.client.Connection = "close";
  f.client.AcceptLanguage = "en";
  f.client.NoCache = true;
  f.client.Cookie = "a=b";
  f.client.ContentRangeBegin = "10";
  f.client.ModifiedSince = 46363.0;  // Monday 7 December 2026
  f.client.OnCommand = [](THttpClient&, std::string& line) {
    if (line.rfind("Referer", 0) == 0) line = "Referer: http://changed/";
  };
  EXPECT_EQ(f.Get(server.BaseUrl() + "/a?b=c"), "");
  EXPECT_EQ(server.Requests()[0], "GET /a?b=c HTTP/1.1\r\nFrom: me@example.invalid\r\n" + kAccept +
                                      "Referer: http://changed/\r\nConnection: close\r\nAccept-Language: en\r\n" +
                                      kAgent +
                                      "Host: 127.0.0.1\r\nPragma: no-cache\r\n"
                                      "If-Modified-Since: Mon, 07 Dec 2026 00:00:00 GMT\r\nCookie: a=b\r\n"
                                      "Range: bytes=10-\r\n\r\n");
}

TEST(HttpClient, ProxyGetsAbsoluteUrlAndHostLineNamesTheTarget) {
  std::string body = Pattern(700);
  ScriptedServer server({Script().Send(HttpResponse(200, "OK", body)), Script().Send(HttpResponse(200, "OK", body))});
  ScriptedProxy proxy(server.Port());
  Fixture f;
  // The target's name is never resolved: only the proxy is connected to.
  f.client.Proxy = "127.0.0.1";
  f.client.ProxyPort = std::to_string(proxy.Port());
  EXPECT_EQ(f.Get("http://radar.example.invalid:8080/ridge/x.gif"), "");
  EXPECT_EQ(f.stream.Data(), body);
  // A proxy naming its own port wins over ProxyPort; a URL without scheme
  // or port is rebuilt with "http://" and no port.
  f.client.Proxy = "127.0.0.1:" + std::to_string(proxy.Port());
  f.client.ProxyPort = "1";
  EXPECT_EQ(f.Get("radar.example.invalid/ridge/y.gif"), "");
  auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], "GET http://radar.example.invalid:8080/ridge/x.gif HTTP/1.0\r\n" + kAccept + kAgent +
                             "Host: radar.example.invalid\r\n\r\n");
  EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")),
            "GET http://radar.example.invalid/ridge/y.gif HTTP/1.0");
}

// A 302 with a body, then "/x/y.gif" (same host), "z.gif" (relative to
// /x/) and an absolute URL on another server: the stream ends holding only
// the final body.
TEST(HttpClient, FollowsEachKindOfLocationAndKeepsOnlyTheFinalBody) {
  std::string final = Pattern(5000, 'A');
  ScriptedServer target({Script().Send(HttpResponse(200, "OK", final))});
  ScriptedServer server({Script().Send(HttpResponse(302, "Found", Pattern(150), {"Location: /x/y.gif"})),
                         Script().Send(HttpResponse(301, "Moved", "", {"Location: z.gif"}, false)),
                         Script().Send(HttpResponse(
                             302, "Found", Pattern(10), {"Location: HTTP://127.0.0.1:" + std::to_string(target.Port())}))});
  Fixture f;
  EXPECT_EQ(f.Get(server.BaseUrl() + "/a/b.gif"), "");
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].substr(0, 23), "GET /a/b.gif HTTP/1.0\r\n");
  EXPECT_EQ(requests[1].substr(0, 23), "GET /x/y.gif HTTP/1.0\r\n");
  EXPECT_EQ(requests[2].substr(0, 23), "GET /x/z.gif HTTP/1.0\r\n");
  ASSERT_EQ(target.Requests().size(), 1u);
  EXPECT_EQ(target.Requests()[0].substr(0, 16), "GET / HTTP/1.0\r\n");
  EXPECT_EQ(f.stream.Data(), final);
  EXPECT_EQ(f.client.RcvdCount(), 5000);
  EXPECT_EQ(f.client.RelocationCount(), 3);
  int locations = 0;
  for (const auto& e : f.events) locations += e.rfind("Location", 0) == 0;
  EXPECT_EQ(locations, 3);
}

TEST(HttpClient, EndlessRelocationsStopAfterTenWithAClearReason) {
  ScriptedServer server({Script().Send(HttpResponse(302, "Found", Pattern(100), {"Location: /again"}))}, true);
  Fixture f;
  EXPECT_EQ(f.Get(server.BaseUrl() + "/start"), "404 Too many relocations (more than 10)");
  EXPECT_EQ(server.Connections(), 11);
  EXPECT_EQ(f.stream.Size(), 0);
  EXPECT_FALSE(f.watchdog.fired);
}

TEST(HttpClient, BodyEndsAtCloseWithoutContentLengthOrAtTheAnnouncedLength) {
  std::string body = Pattern(20000);
  {
    ScriptedServer server({Script().Send(HttpResponse(200, "OK", body, {}, false))});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "");
    EXPECT_EQ(f.stream.Data(), body);
    EXPECT_EQ(f.client.ContentLength(), -1);
    EXPECT_FALSE(f.client.BodyCut()) << "without a length the close is the end";
    for (int s : f.states) EXPECT_NE(s, 7);  // body received is never entered
  }
  {
    // Content-Length larger than what arrives before the close: a normal end
    // with the shorter body.
    ScriptedServer server({Script().Send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + body.substr(0, 800))});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "");
    EXPECT_EQ(f.stream.Data(), body.substr(0, 800));
    EXPECT_EQ(f.client.ContentLength(), 1000);
    EXPECT_TRUE(f.client.BodyCut());
  }
  {
    // More than announced: the stream holds the announced length, the rest
    // is counted as excess.
    ScriptedServer server({Script().Send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + body.substr(0, 1200))});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "");
    EXPECT_EQ(f.stream.Data(), body.substr(0, 1000));
    EXPECT_EQ(f.client.ExcessCount(), 200);
  }
  {
    // A length that is not a number counts as none.
    ScriptedServer server({Script().Send("HTTP/1.0 200 OK\r\nContent-Length: lots\r\n\r\nabc")});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "");
    EXPECT_EQ(f.client.ContentLength(), -1);
    EXPECT_EQ(f.stream.Data(), "abc");
  }
}

TEST(HttpClient, ChunkedBodiesDeliverOnlyTheData) {
  std::string response =
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Type: Image/GIF\r\n\r\n"
      "a\r\n0123456789\r\nF;name=value\r\nABCDEFGHIJKLMNO\r\n1a\r\nabcdefghijklmnopqrstuvwxyz\r\n0\r\n\r\n";
  ScriptedServer server({Script().Drip(response, 7, 2)});
  Fixture f;
  EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "");
  EXPECT_EQ(f.stream.Data(), "0123456789ABCDEFGHIJKLMNOabcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(f.client.ContentType(), "image/gif");
  EXPECT_EQ(f.client.TransferEncoding(), "chunked");
  EXPECT_EQ(f.states.back(), 0);
  EXPECT_NE(std::find(f.states.begin(), f.states.end(), 7), f.states.end());
}

TEST(HttpClient, MalformedOrCutChunkedBodiesAreNotTakenAsWhole) {
  const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  for (const std::string& cut : {std::string("4\r\nabcd\r\n"), std::string("4\r\nabcd\r\n8\r\nef"),
                                 std::string("4\r\nabcd\r\n0\r\n")}) {
    // The server closes before the empty line after the final chunk.
    ScriptedServer server({Script().Send(head + cut)});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "");
    EXPECT_TRUE(f.client.BodyCut()) << cut;
    EXPECT_EQ(f.stream.Data().substr(0, 4), "abcd");
  }
  {
    ScriptedServer server({Script().Send(head + "4\r\nabcd\r\n0\r\n\r\n")});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "");
    EXPECT_FALSE(f.client.BodyCut());
  }
  {
    ScriptedServer server({Script().Send(head + "4\r\nabcd\r\n100000000\r\nxx").Hold()});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "404 Invalid chunk size (more than 31 bits)");
    EXPECT_EQ(f.stream.Data(), "abcd");
  }
  {
    ScriptedServer server({Script().Send(head + "zz\r\nabcd\r\n").Hold()});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "404 Invalid chunk size (no hexadecimal digits)");
  }
}

TEST(HttpClient, HeaderRulesForOddResponses) {
  {
    // No status line and no header: everything is the body.
    std::string page = "<hTmL><body>listing</body></html>\r\nmore\r\n";
    ScriptedServer server({Script().Send(page)});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "");
    EXPECT_EQ(f.stream.Data(), page);
    EXPECT_EQ(f.client.ContentType(), "text/html");
    EXPECT_EQ(f.client.StatusCode(), 0);
  }
  {
    // A 100 on HTTP/1.1 is dropped with its header.
    ScriptedServer server({Script().Send("HTTP/1.1 100 Continue\r\nX: y\r\n\r\n" +
                                         HttpResponse(200, "Fine", "body", {"Connection: close"}))});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "");
    EXPECT_EQ(f.client.StatusCode(), 200);
    EXPECT_EQ(f.client.ReasonPhrase(), "Fine");
    EXPECT_EQ(f.stream.Data(), "body");
  }
  {
    // A header line longer than the receive buffer fails the request.
    ScriptedServer server({Script().Send("HTTP/1.0 200 OK\r\nX-Long: " + std::string(9000, 'x') + "\r\n\r\nbody").Hold()});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "404 Header line too long (more than 8190 bytes)");
    EXPECT_FALSE(f.watchdog.fired);
  }
  {
    // Header lines without end: the header is capped at 64 KiB in all.
    std::string flood = "HTTP/1.0 200 OK\r\n";
    for (int i = 0; i < 2000; ++i) flood += "X-Pad-" + std::to_string(i) + ": " + std::string(40, 'p') + "\r\n";
    ScriptedServer server({Script().Send(flood).Hold()});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "404 Response header too large (more than 65536 bytes)");
    EXPECT_LE(f.client.RcvdHeader().size(), 1400u);
    EXPECT_FALSE(f.watchdog.fired);
  }
  {
    // 204 without a length: no body, the request ends at the header.
    ScriptedServer server({Script().Send("HTTP/1.0 204 No Content\r\n\r\n").Hold()});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "");
    EXPECT_EQ(f.client.StatusCode(), 204);
    EXPECT_FALSE(f.watchdog.fired);
  }
}

TEST(HttpClient, ErrorStatusesRaiseExceptFor401And407) {
  {
    ScriptedServer server({Script().Send(HttpResponse(404, "Not Found", "<p>gone</p>"))});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "404 Not Found");
    EXPECT_EQ(f.stream.Data(), "<p>gone</p>");  // written before the raise
  }
  {
    ScriptedServer server({Script().Send(HttpResponse(401, "Unauthorized", "no"))});
    Fixture f;
    EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "");
    EXPECT_EQ(f.client.StatusCode(), 401);
  }
}

TEST(HttpClient, BusyClientAndUnknownVersionAreRefused) {
  ScriptedServer server({Script().Hold()});
  Fixture f;
  f.client.URL = server.BaseUrl() + "/";
  f.client.GetASync();
  try {
    f.client.SyncGet();
    ADD_FAILURE() << "no exception";
  } catch (const EHttpException& e) {
    EXPECT_EQ(e.ErrorCode, 1);
    EXPECT_STREQ(e.what(), "HTTP component is busy");
  }
  f.client.AbortRequest();
  f.client.RequestVer = "2.0";
  EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "5 Insupported HTTP version");
}

TEST(HttpClient, UnresolvableNameAndRefusedConnectionEndWithTheirReasons) {
  {
    Fixture f;
    EXPECT_EQ(f.Get("http://nowhere.example.invalid/x.gif"), "404 can't resolve hostname to IP address");
    EXPECT_EQ(f.states, (std::vector<int>{1, 3, 0}));
  }
  {
    Fixture f;
    EXPECT_EQ(f.Get("http://127.0.0.1:" + std::to_string(UnusedPort()) + "/"),
              "404 Connection refused (Error #10061)");
    EXPECT_EQ(f.client.RequestDoneError(), 10061);
  }
  {
    // localhost goes through the real resolver.
    ScriptedServer server({Script().Send(HttpResponse(200, "OK", "named"))});
    Fixture f;
    EXPECT_EQ(f.Get("http://localhost:" + std::to_string(server.Port()) + "/"), "");
    EXPECT_EQ(f.stream.Data(), "named");
    EXPECT_EQ(server.Requests()[0].find("Host: localhost\r\n") != std::string::npos, true);
  }
}

TEST(HttpClient, AbortWhileRunningAndWhileIdle) {
  ScriptedServer server({Script().Send("HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\nabc").Hold()});
  Fixture f;
  Timer abortTimer(f.loop, 300, false);
  abortTimer.SetOnTimer([&] {
    abortTimer.SetEnabled(false);
    f.client.AbortRequest();
  });
  f.client.OnDocData = [&](THttpClient&, const char*, int) { abortTimer.SetEnabled(true); };
  EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "404 Connection aborted on request");
  f.Settle();
  EXPECT_EQ(f.client.RequestDoneError(), 3);
  EXPECT_EQ(f.stream.Data(), "abc");
  std::vector<int> tail(f.states.end() - 2, f.states.end());
  EXPECT_EQ(tail, (std::vector<int>{10, 0}));
  EXPECT_EQ(f.events.back(), "RequestDone 3");

  // Idle: state change and request done at once, status 200 OK.
  f.events.clear();
  f.client.AbortRequest();
  EXPECT_EQ(f.events, (std::vector<std::string>{"state 0", "RequestDone 0"}));
  EXPECT_EQ(f.client.StatusCode(), 200);
  EXPECT_EQ(f.client.ReasonPhrase(), "OK");
}

TEST(HttpClient, AbortDuringTheNameLookupCancelsIt) {
  Fixture f;
  f.client.URL = "http://localhost:1/";
  f.client.GetASync();
  ASSERT_EQ(f.client.State(), httpDnsLookup);
  f.client.AbortRequest();
  EXPECT_EQ(f.client.State(), httpReady);
  f.Settle();
  EXPECT_EQ(f.client.StatusCode(), 404);  // the late answer changed nothing
  EXPECT_EQ(f.client.ReasonPhrase(), "Connection aborted on request");
}

TEST(HttpClient, KeepAliveConnectionIsReusedForTheSameServer) {
  ScriptedServer server({Script()
                             .Send(HttpResponse(200, "OK", "first", {"Connection: keep-alive"}))
                             .ReadRequest()
                             .Send(HttpResponse(200, "OK", "second", {"Connection: close"}))});
  Fixture f;
  EXPECT_EQ(f.Get(server.BaseUrl() + "/1"), "");
  EXPECT_EQ(f.Get(server.BaseUrl() + "/2"), "");
  EXPECT_EQ(f.stream.Data(), "firstsecond");
  EXPECT_EQ(server.Connections(), 1);
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].substr(0, 17), "GET /2 HTTP/1.0\r\n");
}

TEST(HttpClient, ResetInTheMiddleOfTheBodyReportsTheSocketError) {
  ScriptedServer server({Script().Send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + Pattern(5000)).PauseMs(100).Reset()});
  Fixture f;
  int socketError = 0;
  f.client.OnSocketError = [&](THttpClient&, int error) { socketError = error; };
  EXPECT_EQ(f.Get(server.BaseUrl() + "/"), "");
#ifndef _WIN32
  // Wine reports a reset as an orderly close; Windows and Linux name it.
  EXPECT_EQ(socketError, 10054);
  EXPECT_EQ(f.client.RequestDoneError(), 10054);
#endif
  EXPECT_EQ(f.stream.Size(), 5000);
  EXPECT_EQ(f.client.State(), httpReady);
}
