// Cookie matching against the examples and rules of RFC 6265 (sections 3.1, 4.1.2.3, 4.1.2.4,
// 5.1.3, 5.1.4 and 5.4), and the cases where a plain text search of the URL goes wrong.
#include <gtest/gtest.h>

#include <string>

#include "core/cookie_matcher.h"

namespace {

CookieRequest Request(const char* url) {
    CookieRequest r;
    EXPECT_TRUE(ParseCookieRequest(url, &r)) << url;
    return r;
}

}  // namespace

TEST(CookieRequestUrl, SplitsHostPathAndScheme) {
    CookieRequest r = Request("HTTP://User:Pw@WWW.Example.COM:8080/a/b.cgi?x=1#top");
    EXPECT_EQ(r.host, "www.example.com");
    EXPECT_EQ(r.path, "/a/b.cgi");
    EXPECT_FALSE(r.secure);
    r = Request("https://example.com");
    EXPECT_EQ(r.host, "example.com");
    EXPECT_EQ(r.path, "/");
    EXPECT_TRUE(r.secure);
    r = Request("http://example.com?q=/path");
    EXPECT_EQ(r.path, "/");
    r = Request("http://[::1]:81/up");
    EXPECT_EQ(r.host, "::1");
    EXPECT_EQ(r.path, "/up");
    r = Request("http://example.com#frag/x");
    EXPECT_EQ(r.path, "/");
}

TEST(CookieRequestUrl, RefusesTextsWithoutSchemeOrHost) {
    CookieRequest r;
    EXPECT_FALSE(ParseCookieRequest("example.com/path", &r));
    EXPECT_FALSE(ParseCookieRequest("://example.com/", &r));
    EXPECT_FALSE(ParseCookieRequest("http:///path", &r));
    EXPECT_FALSE(ParseCookieRequest("http://user@:80/", &r));
    EXPECT_FALSE(ParseCookieRequest("http://[::1/", &r));
    EXPECT_FALSE(ParseCookieRequest("http://.example.com/", &r));
    EXPECT_FALSE(ParseCookieRequest("ht tp://example.com/", &r));
    EXPECT_FALSE(ParseCookieRequest("", &r));
    EXPECT_FALSE(ParseCookieRequest("http://example.com/", nullptr));
}

// RFC 6265 4.1.2.3: Domain=example.com reaches example.com, www.example.com and
// www.corp.example.com; 5.1.3: not a host that merely ends in the same letters, nor an IP address
// by suffix.
TEST(CookieDomain, MatchesAsSection513Says) {
    EXPECT_TRUE(DomainMatches("example.com", "example.com"));
    EXPECT_TRUE(DomainMatches("www.example.com", "example.com"));
    EXPECT_TRUE(DomainMatches("www.corp.example.com", "example.com"));
    EXPECT_TRUE(DomainMatches("WWW.EXAMPLE.COM", "Example.Com"));
    EXPECT_FALSE(DomainMatches("badexample.com", "example.com"));
    EXPECT_FALSE(DomainMatches("example.com", "www.example.com"));
    EXPECT_FALSE(DomainMatches("example.com.evil.org", "example.com"));
    EXPECT_FALSE(DomainMatches("192.168.0.1", "168.0.1"));
    EXPECT_TRUE(DomainMatches("192.168.0.1", "192.168.0.1"));
    EXPECT_FALSE(DomainMatches("", "example.com"));
    EXPECT_FALSE(DomainMatches("example.com", ""));
    // "aab" as the tail of "aaab" is no domain match (no dot before it), yet "x.aab" does match.
    EXPECT_FALSE(DomainMatches("aaab", "aab"));
    EXPECT_TRUE(DomainMatches("x.aab", "aab"));
}

TEST(CookieDomain, KnowsIpAddresses) {
    EXPECT_TRUE(IsIpAddressHost("127.0.0.1"));
    EXPECT_TRUE(IsIpAddressHost("::1"));
    EXPECT_FALSE(IsIpAddressHost("1.2.3"));
    EXPECT_FALSE(IsIpAddressHost("1.2.3.4.example"));
    EXPECT_FALSE(IsIpAddressHost("1..2.3"));
    EXPECT_FALSE(IsIpAddressHost("1234.1.1.1"));
    EXPECT_FALSE(IsIpAddressHost("localhost"));
}

// RFC 6265 5.1.4 with Path=/docs: /docs, /docs/, /docs/Web/HTTP match; /, /docsets, /fr/docs do
// not; a cookie path ending in '/' matches everything below it.
TEST(CookiePath, MatchesAsSection514Says) {
    EXPECT_TRUE(PathMatches("/docs", "/docs"));
    EXPECT_TRUE(PathMatches("/docs/", "/docs"));
    EXPECT_TRUE(PathMatches("/docs/Web/HTTP", "/docs"));
    EXPECT_FALSE(PathMatches("/", "/docs"));
    EXPECT_FALSE(PathMatches("/docsets", "/docs"));
    EXPECT_FALSE(PathMatches("/fr/docs", "/docs"));
    EXPECT_TRUE(PathMatches("/docs/x", "/docs/"));
    EXPECT_FALSE(PathMatches("/docs", "/docs/"));
    EXPECT_TRUE(PathMatches("/anything", "/"));
    EXPECT_TRUE(PathMatches("/anything", ""));
    EXPECT_FALSE(PathMatches("/Docs", "/docs"));  // paths compare with case
}

// RFC 6265 3.1: a host-only cookie goes back to its own host only; a Domain cookie to the
// domain's subdomains too; a Secure cookie only over a secure channel.
TEST(CookieMatch, HostOnlyDomainAndSecureCookies) {
    CookieRequest plain = Request("http://www.example.com/upload");
    CookieRequest secure = Request("https://www.example.com/upload");
    CookieRequest apex = Request("http://example.com/");
    EXPECT_TRUE(CookieMatches(apex, "example.com", "/", false));
    EXPECT_FALSE(CookieMatches(plain, "example.com", "/", false));
    EXPECT_TRUE(CookieMatches(plain, ".example.com", "/", false));
    EXPECT_TRUE(CookieMatches(apex, ".example.com", "/", false));
    EXPECT_FALSE(CookieMatches(plain, "www.example.com", "/", true));
    EXPECT_TRUE(CookieMatches(secure, "www.example.com", "/", true));
    EXPECT_FALSE(CookieMatches(plain, "", "/", false));
    EXPECT_FALSE(CookieMatches(plain, ".", "/", false));
}

// A host named only in the query string, or a host whose name holds the cookie's host as a
// piece, gets nothing.
TEST(CookieMatch, OtherSitesNamedInTheUrlGetNothing) {
    CookieRequest r = Request("http://upload.test/post?return=http://bank.example/&h=bank.example");
    EXPECT_FALSE(CookieMatches(r, "bank.example", "/", false));
    EXPECT_FALSE(CookieMatches(r, ".bank.example", "/", false));
    EXPECT_TRUE(CookieMatches(r, "upload.test", "/", false));
    CookieRequest ip = Request("http://127.0.0.1:8000/x");
    EXPECT_TRUE(CookieMatches(ip, "127.0.0.1", "/", false));
    EXPECT_FALSE(CookieMatches(ip, ".0.0.1", "/", false));
    EXPECT_FALSE(CookieMatches(ip, "27.0.0.1", "/", false));
}

// RFC 6265 3.1's third example: "Cookie: SID=31d4d96e407aad42; lang=en-US".
TEST(CookieHeader, JoinsAsTheRfcExampleShows) {
    CookieHeaderBuilder b(1000);
    EXPECT_TRUE(b.Empty());
    EXPECT_TRUE(b.Add("SID", "31d4d96e407aad42"));
    EXPECT_TRUE(b.Add("lang", "en-US"));
    EXPECT_EQ(b.Text(), "Cookie: SID=31d4d96e407aad42; lang=en-US");
    CookieHeaderBuilder e(100);
    EXPECT_TRUE(e.Add("empty", ""));
    EXPECT_EQ(e.Text(), "Cookie: empty=");
}

TEST(CookieHeader, StopsBeforeTheCookieThatDoesNotFit) {
    // "Cookie: a=1" is 11 characters, "; b=2" five more.
    CookieHeaderBuilder exact(16);
    EXPECT_TRUE(exact.Add("a", "1"));
    EXPECT_TRUE(exact.Add("b", "2"));
    EXPECT_EQ(exact.Text().size(), 16u);
    CookieHeaderBuilder short1(15);
    EXPECT_TRUE(short1.Add("a", "1"));
    EXPECT_FALSE(short1.Add("b", "2"));
    EXPECT_FALSE(short1.Add("c", ""));  // nothing after a cookie that was left out
    EXPECT_TRUE(short1.Full());
    EXPECT_EQ(short1.Text(), "Cookie: a=1");
    CookieHeaderBuilder none(10);
    EXPECT_FALSE(none.Add("a", "1"));
    EXPECT_TRUE(none.Empty());
    CookieHeaderBuilder big(1228799);
    std::string value(1228799 - 10, 'v');
    EXPECT_TRUE(big.Add("n", value));  // 8 + 1 + 1 + value = the whole limit
    EXPECT_EQ(big.Text().size(), 1228799u);
    EXPECT_FALSE(big.Add("m", ""));
}

TEST(CookieHeader, LeavesOutCookiesThatWouldBreakTheHeaderLine) {
    CookieHeaderBuilder b(1000);
    EXPECT_FALSE(b.Add("a", "1\r\nX-Injected: 1"));
    EXPECT_FALSE(b.Add("b\n", "2"));
    EXPECT_FALSE(b.Add("c", std::string("3\0" "4", 3)));
    EXPECT_FALSE(b.Full());
    EXPECT_TRUE(b.Add("d", "4"));
    EXPECT_EQ(b.Text(), "Cookie: d=4");
}
