#include "engine/probe.h"

#include "net/resolver.h"
#include "support/scoped_env.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"
#include "support/test_ca.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/resource.h>

namespace qova {
namespace {

using std::chrono::milliseconds;
using test::ScriptedServer;
using test::Step;

TEST(SplitAddress, FindsSchemeHostPortAndPath) {
    struct Case {
        const char* address;
        bool valid;
        bool tls;
        const char* host;
        int port;
        const char* path;
    } cases[] = {
        {"example.com", true, false, "example.com", 80, ""},
        {"example.com/", true, false, "example.com", 80, ""},
        {"http://example.com:81/a/b?x=1", true, false, "example.com", 81, "a/b?x=1"},
        {"HTTP://example.com/", true, false, "example.com", 80, ""},
        {"hTtPs://example.com/x", true, true, "example.com", 443, "x"},
        {"https://example.com:8443", true, true, "example.com", 8443, ""},
        // Only a scheme at the very start is one: a query keeps its own.
        {"example.com/go?to=http://other", true, false, "example.com", 80, "go?to=http://other"},
        {"http://[::1]:8080/status", true, false, "::1", 8080, "status"},
        {"[::1]", true, false, "::1", 80, ""},
        {"10.0.0.5:8080", true, false, "10.0.0.5", 8080, ""},
        {"example.com:81abc/x", true, false, "example.com", 81, "x"},
        {"example.com:abc", false, false, "example.com", 0, ""},
        {"example.com:70000", false, false, "example.com", -1, ""},
        {"http://", false, false, "", 80, ""},
        {"", false, false, "", 80, ""},
        {"[::1", false, false, "", 80, ""},
        {"example.com/a\r\nX-Evil: 1", false, false, "", 80, ""},
        {"exa\x7Fmple.com", false, false, "", 80, ""},
    };
    for (const Case& c : cases) {
        ProbeTarget t = SplitAddress(c.address);
        SCOPED_TRACE(c.address);
        EXPECT_EQ(t.valid, c.valid);
        if (!c.valid && !*c.host) {
            continue;
        }
        EXPECT_EQ(t.tls, c.tls);
        EXPECT_EQ(t.host, c.host);
        EXPECT_EQ(t.port, c.port);
        EXPECT_EQ(t.path, c.path);
    }
}

TEST(BuildRequest, NamesTheHostAndAPortOnlyWhenNotTheSchemesOwn) {
    auto request = [](const char* address) { return BuildRequest(SplitAddress(address)); };
    const std::string tail = "User-Agent: QOVA/1.7\r\nConnection: close\r\n\r\n";
    EXPECT_EQ(request("example.com"), "GET / HTTP/1.0\r\nHost: example.com\r\n" + tail);
    EXPECT_EQ(request("http://example.com:81/a/b?x=1"),
              "GET /a/b?x=1 HTTP/1.0\r\nHost: example.com:81\r\n" + tail);
    EXPECT_EQ(request("https://example.com/x"), "GET /x HTTP/1.0\r\nHost: example.com\r\n" + tail);
    EXPECT_EQ(request("https://example.com:80/"),
              "GET / HTTP/1.0\r\nHost: example.com:80\r\n" + tail);
    EXPECT_EQ(request("[::1]:8080/"), "GET / HTTP/1.0\r\nHost: [::1]:8080\r\n" + tail);
}

TEST(TakeStatusCode, ReadsTheFirstLine) {
    struct Case {
        const char* answer;
        const char* status;
    } cases[] = {
        {"HTTP/1.0 200 OK\r\n\r\nbody", "200"},
        {"HTTP/1.1 404 Not Found\r\n", "404"},
        {"HTTP/1.0 200\r\n\r\n", "200"},
        {"HTTP/1.0 301\n", "301"},
        {"HTTP/1.0  200 OK\r\n", ""}, // the code ends at the next space: an empty code
        {"NOSPACEATALL\r\n\r\n", ""},
        {" 200 OK\r\n", ""},
        {"HTTP/1.0 200", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TakeStatusCode(c.answer), c.status) << c.answer;
    }
}

TEST(ResolveHost, NumericOnlyWhenItParsesAsAnAddress) {
    EXPECT_TRUE(net::IsNumericHost("10.0.0.5"));
    EXPECT_TRUE(net::IsNumericHost("::1"));
    EXPECT_TRUE(net::IsNumericHost("[::1]"));
    EXPECT_FALSE(net::IsNumericHost("1example.com"));
    EXPECT_FALSE(net::IsNumericHost("0example.com"));
    EXPECT_FALSE(net::IsNumericHost("10.0.0.5x"));

    std::vector<net::SocketAddress> found;
    EXPECT_TRUE(
        net::ResolveHost(found, "localhost", 80, AF_UNSPEC, net::Deadline::In(milliseconds(5000))));
    ASSERT_FALSE(found.empty());
    EXPECT_FALSE(net::ResolveHost(found, "qova-no-such-host.invalid", 80, AF_UNSPEC,
                                  net::Deadline::In(milliseconds(5000))));
    EXPECT_FALSE(
        net::ResolveHost(found, "bad\nhost", 80, AF_UNSPEC, net::Deadline::In(milliseconds(100))));
}

// Short limits so that failing cases end quickly.
ProbeOptions Quick() {
    ProbeOptions options;
    options.connectLimit = milliseconds(2000);
    options.totalLimit = milliseconds(2000);
    return options;
}

std::string Local(int port, const std::string& path = "") {
    return "http://127.0.0.1:" + std::to_string(port) + "/" + path;
}

TEST(ProbeSite, MeasuresAGoodAnswerAndSendsTheRequestWithItsHost) {
    ScriptedServer server({Step::ReadUntil("\r\n\r\n"), Step::Pause(milliseconds(30)),
                           Step::Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok")});
    std::string status;
    double t = ProbeSite(Local(server.Port(), "a/b?x=1"), status, Quick());
    EXPECT_EQ(status, "200");
    EXPECT_GE(t, 30.0);
    EXPECT_LT(t, 1000.0);
    EXPECT_EQ(server.Transcript(),
              "GET /a/b?x=1 HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) +
                  "\r\nUser-Agent: QOVA/1.7\r\nConnection: close\r\n\r\n");
}

TEST(ProbeSite, CapitalSchemeAndSchemeInQueryAreHandled) {
    ScriptedServer server(
        {Step::ReadUntil("\r\n\r\n"), Step::Send("HTTP/1.0 404 Not Found\r\n\r\n")});
    std::string status;
    std::string address =
        "HTTP://127.0.0.1:" + std::to_string(server.Port()) + "/go?to=http://other";
    EXPECT_GE(ProbeSite(address, status, Quick()), 0.0);
    EXPECT_EQ(status, "404");
    EXPECT_EQ(server.Transcript().rfind("GET /go?to=http://other HTTP/1.0\r\n", 0), 0u);
}

TEST(ProbeSite, AnswersThatAreNotHttpStillCount) {
    for (auto script : {std::vector<Step>{Step::ReadUntil("\r\n\r\n"), Step::Close()},
                        std::vector<Step>{Step::ReadUntil("\r\n\r\n"), Step::Send("NOSPACE\r\n")},
                        std::vector<Step>{Step::Close()}}) {
        ScriptedServer server(script);
        std::string status = "unchanged?";
        status.clear();
        EXPECT_GE(ProbeSite(Local(server.Port()), status, Quick()), 0.0);
        EXPECT_EQ(status, "");
    }
}

TEST(ProbeSite, FailuresGiveMinus99) {
    int closedPort;
    {
        ScriptedServer gone({});
        closedPort = gone.Port();
    }
    std::string status;
    EXPECT_EQ(ProbeSite(Local(closedPort), status, Quick()), -99.0);
    EXPECT_EQ(ProbeSite("http://qova-no-such-host.invalid/", status, Quick()), -99.0);
    EXPECT_EQ(ProbeSite("127.0.0.1:abc", status, Quick()), -99.0);
    EXPECT_EQ(status, "");
}

TEST(ProbeSite, ControlCharacterNeverReachesTheNetwork) {
    ScriptedServer server({Step::ReadUntil("\r\n\r\n"), Step::Send("HTTP/1.0 200 OK\r\n\r\n")});
    std::string status;
    EXPECT_EQ(ProbeSite(Local(server.Port(), "a\r\nHost: evil"), status, Quick()), -99.0);
    EXPECT_EQ(ProbeSite(Local(server.Port(), "a\tb"), status, Quick()), -99.0);
    EXPECT_EQ(server.Connections(), 0);
}

TEST(ProbeSite, TimeLimitEndsASilentServerButKeepsAStatusLineThatArrived) {
    ProbeOptions options = Quick();
    options.totalLimit = milliseconds(400);

    ScriptedServer silent({Step::ReadUntil("\r\n\r\n"), Step::Stall()});
    std::string status;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ProbeSite(Local(silent.Port()), status, options), -99.0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(2000));

    ScriptedServer slowBody(
        {Step::ReadUntil("\r\n\r\n"), Step::Send("HTTP/1.0 200 OK\r\n"), Step::Stall()});
    double t = ProbeSite(Local(slowBody.Port()), status, options);
    EXPECT_EQ(status, "200");
    EXPECT_GE(t, 390.0);
    EXPECT_LT(t, 2000.0);
}

TEST(ProbeSite, CancelEndsTheWaitAtOnce) {
    ScriptedServer silent({Step::ReadUntil("\r\n\r\n"), Step::Stall()});
    net::CancelSignal cancel;
    ProbeOptions options;
    options.cancel = &cancel;
    std::thread raiser([&cancel] {
        std::this_thread::sleep_for(milliseconds(100));
        cancel.Raise();
    });
    std::string status;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ProbeSite(Local(silent.Port()), status, options), -99.0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(2000));
    raiser.join();
}

TEST(ProbeSite, LargeAnswerIsReadButNotKept) {
    const uint64_t chunks = 4096; // 256 MiB of 64 KiB chunks
    ScriptedServer server({Step::ReadUntil("\r\n\r\n"), Step::Send("HTTP/1.0 200 OK\r\n\r\n"),
                           Step::SendRepeated(std::string(64 * 1024, 'x'), chunks)});
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    std::string status;
    ProbeOptions options;
    options.totalLimit = milliseconds(30000);
    EXPECT_GE(ProbeSite(Local(server.Port()), status, options), 0.0);
    EXPECT_EQ(status, "200");
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 32 * 1024) << "KiB of peak growth";
}

TEST(ProbeSite, Ipv6Literal) {
    std::unique_ptr<ScriptedServer> server;
    try {
        server = std::make_unique<ScriptedServer>(
            std::vector<Step>{Step::ReadUntil("\r\n\r\n"), Step::Send("HTTP/1.0 200 OK\r\n\r\n")},
            ScriptedServer::Options{.tls = {}, .tlsFromStart = false, .ipv6 = true});
    } catch (const std::exception&) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    std::string status;
    EXPECT_GE(ProbeSite("http://[::1]:" + std::to_string(server->Port()) + "/", status, Quick()),
              0.0);
    EXPECT_EQ(status, "200");
    EXPECT_NE(server->Transcript().find("Host: [::1]:"), std::string::npos);
}

class TlsProbe : public ::testing::Test {
  protected:
    static std::vector<Step> Answer200() {
        return {Step::ReadUntil("\r\n\r\n"), Step::Send("HTTP/1.0 200 OK\r\n\r\nsecure")};
    }
    test::TempDir dir_;
    test::ScopedEnv certFile_{"SSL_CERT_FILE"};
};

TEST_F(TlsProbe, HttpsToALocallyTrustedServerVerifiesNameAndAddress) {
    test::TestCa ca(dir_.Path());
    certFile_.Set(ca.CaFile().c_str());
    ScriptedServer server(Answer200(),
                          {.tls = ca.ServerIdentity(), .tlsFromStart = true, .ipv6 = false});
    for (const char* host : {"localhost", "127.0.0.1"}) {
        std::string status;
        std::string address =
            "https://" + std::string(host) + ":" + std::to_string(server.Port()) + "/";
        EXPECT_GE(ProbeSite(address, status, Quick()), 0.0) << host;
        EXPECT_EQ(status, "200") << host;
    }
    EXPECT_NE(server.Transcript().find("Host: localhost:"), std::string::npos);
}

TEST_F(TlsProbe, WrongNameOrUntrustedAuthorityFails) {
    test::TestCa ca(dir_.Path(), {"DNS:other.example"});
    ScriptedServer server(Answer200(),
                          {.tls = ca.ServerIdentity(), .tlsFromStart = true, .ipv6 = false});
    std::string address = "https://127.0.0.1:" + std::to_string(server.Port()) + "/";
    std::string status;

    certFile_.Set(ca.CaFile().c_str());
    EXPECT_EQ(ProbeSite(address, status, Quick()), -99.0); // trusted, but named for another host

    certFile_.Unset();
    test::TestCa good(dir_.File(""), {"IP:127.0.0.1"});
    ScriptedServer other(Answer200(),
                         {.tls = good.ServerIdentity(), .tlsFromStart = true, .ipv6 = false});
    EXPECT_EQ(ProbeSite("https://127.0.0.1:" + std::to_string(other.Port()) + "/", status, Quick()),
              -99.0); // the system store does not know the test authority
    EXPECT_EQ(status, "");
}

TEST_F(TlsProbe, PlainServerOnAnHttpsAddressFails) {
    ScriptedServer plain({Step::Send("HTTP/1.0 200 OK\r\n\r\n")});
    std::string status;
    EXPECT_EQ(ProbeSite("https://127.0.0.1:" + std::to_string(plain.Port()) + "/", status, Quick()),
              -99.0);
}

} // namespace
} // namespace qova
