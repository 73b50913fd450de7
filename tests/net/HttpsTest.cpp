// https end to end on 127.0.0.1: TLS fronts with certificates of a CA made
// for the run relay to scripted servers, so the client's TLS meets a real
// server and every answer is byte-exact. The same tests run natively
// (OpenSSL) and under Wine (Schannel).
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <string>
#include <vector>

#include "app/ErrorLog.h"
#include "app/ProcessState.h"
#include "net/HttpClient.h"
#include "net/NetTestSupport.h"
#include "support/ScriptedServer.h"
#include "support/TempDir.h"
#include "support/TlsPeer.h"
#include "ui/MainFrm.h"
#include "util/FileUtil.h"

using namespace ombrix;
using namespace ombrix::test;

namespace {

std::string Pattern(size_t n) {
  std::string s(n, ' ');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 % 251);
  return s;
}

// The certificates are made (and trusted) once, before any test starts its
// servers, whose lifetimes would otherwise run during slow key generation.
class Https : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(TrustTestCa()) << "the test CA could not be trusted"; }
};

struct Client {
  PlatformLoop loop;
  THttpClient client{loop};
  TMemoryStream stream;
  std::vector<int> states;
  Watchdog watchdog{loop, client};

  Client() {
    client.RcvdStream = &stream;
    client.OnStateChange = [this](THttpClient& c) { states.push_back(c.State()); };
  }
  // "" or the EHttpException as "code reason".
  std::string Get(const std::string& url) {
    client.URL = url;
    stream.Truncate(0);
    states.clear();
    try {
      client.SyncGet();
    } catch (const EHttpException& e) {
      return std::to_string(e.ErrorCode) + " " + e.what();
    }
    return "";
  }
};

std::string ChunkedResponse(const std::string& body) {
  std::string r = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  for (size_t pos = 0; pos < body.size(); pos += 5000) {
    size_t n = std::min<size_t>(5000, body.size() - pos);
    char size[16];
    std::snprintf(size, sizeof size, "%zx\r\n", n);
    r += size + body.substr(pos, n) + "\r\n";
  }
  return r + "0\r\n\r\n";
}

}  // namespace

TEST_F(Https, TrustedFetchesAreByteExactWhateverTheBodyShape) {
  std::string small = Pattern(300), large = Pattern(3 * 1024 * 1024 + 17), chunked = Pattern(70001);
  struct Case {
    const char* name;
    Script script;
    std::string body;
    TlsMode mode = TlsMode::Relay;
  };
  std::vector<Case> cases = {
      {"small with length", Script().Send(HttpResponse(200, "OK", small)), small},
      {"large with length", Script().Send(HttpResponse(200, "OK", large)), large},
      {"until close", Script().Send(HttpResponse(200, "OK", small, {}, false)), small},
      {"chunked, dripped", Script().Drip(ChunkedResponse(chunked), 3000, 1), chunked},
      {"renegotiated before the answer", Script().PauseMs(50).Send(HttpResponse(200, "OK", chunked)), chunked,
       TlsMode::Rekey},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
#ifdef _WIN32
    // Wine's Schannel answers a server's HelloRequest with a renegotiation
    // it cannot start (it waits for input that never comes).
    if (c.mode == TlsMode::Rekey && GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) continue;
#endif
    ScriptedServer server({c.script});
    TlsFront front(TlsCert::Trusted, server.Port(), c.mode);
    Client h;
    EXPECT_EQ(h.Get(front.BaseUrl() + "/ridge/a.gif"), "");
    EXPECT_TRUE(h.stream.Data() == c.body) << h.stream.Size() << " bytes " << h.client.StatusCode() << " " << h.client.ReasonPhrase() << " " << testing::PrintToString(h.states);
    // The handshake belongs to "connected"; the request line is the plain one.
    EXPECT_EQ(h.states.front(), httpNotConnected);
    EXPECT_EQ(std::vector<int>(h.states.begin() + 1, h.states.begin() + 5), (std::vector<int>{3, 4, 2, 5}));
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].substr(0, 40), "GET /ridge/a.gif HTTP/1.0\r\nAccept: image");
    EXPECT_NE(server.Requests()[0].find("\r\nHost: localhost\r\n"), std::string::npos);
  }
}

TEST_F(Https, KeepAliveReusesTheTlsConnection) {
  std::string a = Pattern(20000), b = Pattern(999);
  ScriptedServer server({Script()
                             .Send(HttpResponse(200, "OK", a, {"Connection: keep-alive"}))
                             .ReadRequest()
                             .Send(HttpResponse(200, "OK", b))});
  TlsFront front(TlsCert::Trusted, server.Port());
  Client h;
  EXPECT_EQ(h.Get(front.BaseUrl() + "/a"), "");
  EXPECT_TRUE(h.stream.Data() == a);
  EXPECT_EQ(h.Get(front.BaseUrl() + "/b"), "");
  EXPECT_TRUE(h.stream.Data() == b);
  EXPECT_EQ(h.states.front(), httpWaitingHeader);  // no new connection, no new handshake
  EXPECT_EQ(server.Connections(), 1);
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[1].substr(0, 17), "GET /b HTTP/1.0\r\n");
}

TEST_F(Https, PlainHttpRelocatedToHttpsIsFollowed) {
  std::string body = Pattern(12345);
  ScriptedServer secure({Script().Send(HttpResponse(200, "OK", body))});
  TlsFront front(TlsCert::Trusted, secure.Port());
  ScriptedServer plain(
      {Script().Send(HttpResponse(301, "Moved Permanently", "<a>moved</a>", {"Location: " + front.BaseUrl() + "/new/x.gif"}))});
  Client h;
  EXPECT_EQ(h.Get(plain.BaseUrl() + "/old/x.gif"), "");
  EXPECT_TRUE(h.stream.Data() == body);
  EXPECT_EQ(h.client.RelocationCount(), 1);
  ASSERT_EQ(secure.Requests().size(), 1u);
  EXPECT_EQ(secure.Requests()[0].substr(0, 25), "GET /new/x.gif HTTP/1.0\r\n");
}

TEST_F(Https, BadCertificatesAreRefusedWithTheirReasonAndNothingIsSent) {
  struct Case {
    TlsCert cert;
    const char* reason;
  } cases[] = {
      {TlsCert::Untrusted, "404 certificate not trusted"},
      {TlsCert::OtherHost, "404 certificate is for another host"},
      {TlsCert::Expired, "404 certificate expired or not yet valid"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    ScriptedServer server({Script().Send(HttpResponse(200, "OK", "secret"))});
    TlsFront front(c.cert, server.Port());
    Client h;
    EXPECT_EQ(h.Get(front.BaseUrl() + "/x.gif"), c.reason);
    EXPECT_EQ(h.stream.Size(), 0);
    EXPECT_EQ(h.client.State(), httpReady);
    // The request never left the client (the relay may have connected:
    // Schannel checks the certificate once its side of the handshake is done).
    for (const std::string& request : server.Requests()) EXPECT_EQ(request, "");
  }
}

TEST_F(Https, OtherSchemesFailAtOnceAndNeverGoOutAsPlainHttp) {
  ScriptedServer server({Script().Send(HttpResponse(302, "Found", "", {"Location: ftp://127.0.0.1/x"}))});
  Client h;
  EXPECT_EQ(h.Get("ftp://127.0.0.1:" + std::to_string(server.Port()) + "/x"),
            "404 Unsupported URL scheme \"ftp\" (only http and https)");
  EXPECT_EQ(server.Connections(), 0);
  EXPECT_EQ(h.Get(server.BaseUrl() + "/y"), "404 Unsupported URL scheme \"ftp\" (only http and https)");
  EXPECT_EQ(server.Connections(), 1);
}

TEST_F(Https, ThroughAProxyTlsRunsInsideACONNECTTunnel) {
  std::string body = Pattern(50000);
  ScriptedServer server({Script().Send(HttpResponse(200, "OK", body))});
  TlsFront front(TlsCert::Trusted, server.Port());
  ScriptedProxy proxy(front.Port());
  Client h;
  h.client.Proxy = "127.0.0.1";
  h.client.ProxyPort = std::to_string(proxy.Port());
  EXPECT_EQ(h.Get("https://localhost/ridge/b.gif"), "");
  EXPECT_TRUE(h.stream.Data() == body);
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0],
            "CONNECT localhost:443 HTTP/1.0\r\nHost: localhost:443\r\nUser-Agent: Mozilla/4.0 (compatible; Ombrix)\r\n\r\n");
  // Inside the tunnel the request line is the origin's, not the proxy form.
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].substr(0, 25), "GET /ridge/b.gif HTTP/1.0");
  EXPECT_EQ(h.states, (std::vector<int>{1, 3, 4, 2, 8, 2, 5, 6, 7, 0}));
}

TEST_F(Https, AbortDuringTheHandshakeEndsTheRequestAtOnce) {
  TlsFront front(TlsCert::Trusted, UnusedPort(), TlsMode::Stall);
  Client h;
  h.client.URL = front.BaseUrl() + "/x";
  h.client.GetASync();
  while (h.client.State() != httpConnected && !h.watchdog.fired) {
    h.loop.WaitForInput(50);
    h.loop.ProcessMessages();
  }
  PumpDelay(h.loop, 0.2);  // the ClientHello is out, no answer comes
  EXPECT_EQ(h.client.State(), httpConnected);
  h.client.AbortRequest();
  EXPECT_EQ(h.client.State(), httpReady);
  EXPECT_EQ(h.client.StatusCode(), 404);
  EXPECT_EQ(h.client.ReasonPhrase(), "Connection aborted on request");
  EXPECT_FALSE(h.watchdog.fired);
}

// The fetch around it: a handshake that stalls is ended by the inactivity
// time-out, and a refused certificate reaches the record, the status bar and
// the log, leaving no file.
TEST_F(Https, FetchTimesOutAStalledHandshakeAndReportsRefusedCertificates) {
  TempDir dir;
  PlatformLoop loop;
  ResetProcessState();
  TMain main{Platform{&loop, {}}, dir.Path()};
  Watchdog watchdog{loop, *main.RidgeCli, 90000};
  TheErrorLogConfig().folder = dir.Path();
  TheErrorLogConfig().enabled = true;
  std::string path = dir / "image.gif";
  {
    TlsFront stalled(TlsCert::Trusted, UnusedPort(), TlsMode::Stall);
    main.RidgeTimer->SetInterval(1000);
    std::string status = "Waiting for new file";
    std::string url = stalled.BaseUrl() + "/stalled.gif";
    main.FetchFile(url, path, status);
    EXPECT_FALSE(FetchOK);
    EXPECT_FALSE(watchdog.fired);
    EXPECT_EQ(main.Sbar.panels[0], url + " download timed out");
    EXPECT_FALSE(FileExists(path));
  }
  {
    ScriptedServer server({Script().Send(HttpResponse(200, "OK", "never"))});
    TlsFront untrusted(TlsCert::Untrusted, server.Port());
    // Long enough for a handshake under valgrind on a busy machine.
    main.RidgeTimer->SetInterval(30000);
    std::string status = "Waiting for new file";
    std::string url = untrusted.BaseUrl() + "/untrusted.gif";
    main.FetchFile(url, path, status);
    EXPECT_FALSE(FetchOK);
    EXPECT_EQ(status, "Error 404 certificate not trusted");
    EXPECT_EQ(main.Sbar.panels[0], url + " Exception : 404 certificate not trusted");
    EXPECT_FALSE(FileExists(path));
    std::string log;
    for (const FoundFile& f : FindFiles(dir / "R*ErrorLog.txt")) log = ReadFile(dir / f.name);
    EXPECT_NE(log.find(url + " Exception : 404 certificate not trusted"), std::string::npos);
  }
  TheErrorLogConfig().enabled = false;
}
