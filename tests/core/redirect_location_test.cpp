// Redirect targets against the examples of RFC 3986 (sections 5.2.4, 5.4.1 and 5.4.2), and the
// locations an upload must not follow.
#include <gtest/gtest.h>

#include <string>

#include "core/redirect_location.h"

namespace {

// The RFC's base URI, http://a/b/c/d;p?q.
RedirectTarget Base() {
    RedirectTarget base;
    base.host = "a";
    base.port = 80;
    base.object = "/b/c/d;p?q";
    return base;
}

std::string Url(const RedirectTarget& t) {
    const bool defaultPort = t.port == (t.ssl ? 443u : 80u);
    std::string url = t.ssl ? "https://" : "http://";
    url += t.host;
    if (!defaultPort) url += ':' + std::to_string(t.port);
    url += t.object;
    return url;
}

std::string Resolve(const std::string& location, const RedirectTarget& from = Base()) {
    RedirectTarget to;
    if (!ResolveRedirectLocation(location, from, &to)) return "(refused)";
    return Url(to);
}

}  // namespace

TEST(RedirectLocation, NormalExamplesOfTheRfc) {
    // Section 5.4.1 (the fragment of "#s" forms stays on the client).
    const char* const cases[][2] = {
        {"g", "http://a/b/c/g"},         {"./g", "http://a/b/c/g"},      {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},            {"//g", "http://g/"},           {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},     {"#s", "http://a/b/c/d;p?q"},   {"g#s", "http://a/b/c/g"},
        {"g?y#s", "http://a/b/c/g?y"},   {";x", "http://a/b/c/;x"},      {"g;x", "http://a/b/c/g;x"},
        {"g;x?y#s", "http://a/b/c/g;x?y"}, {".", "http://a/b/c/"},
        {"./", "http://a/b/c/"},         {"..", "http://a/b/"},          {"../", "http://a/b/"},
        {"../g", "http://a/b/g"},        {"../..", "http://a/"},         {"../../", "http://a/"},
        {"../../g", "http://a/g"},
    };
    for (const auto& c : cases) EXPECT_EQ(Resolve(c[0]), c[1]) << "location \"" << c[0] << '"';
}

TEST(RedirectLocation, AbnormalExamplesOfTheRfc) {
    // Section 5.4.2, strict parsing: "http:g" names no host, so there is nothing to follow.
    const char* const cases[][2] = {
        {"../../../g", "http://a/g"},    {"../../../../g", "http://a/g"}, {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},         {"g.", "http://a/b/c/g."},       {".g", "http://a/b/c/.g"},
        {"g..", "http://a/b/c/g.."},     {"..g", "http://a/b/c/..g"},     {"./../g", "http://a/b/g"},
        {"./g/.", "http://a/b/c/g/"},    {"g/./h", "http://a/b/c/g/h"},   {"g/../h", "http://a/b/c/h"},
        {"g;x=1/./y", "http://a/b/c/g;x=1/y"}, {"g;x=1/../y", "http://a/b/c/y"},
        {"g?y/./x", "http://a/b/c/g?y/./x"}, {"g?y/../x", "http://a/b/c/g?y/../x"},
        {"g#s/./x", "http://a/b/c/g"},   {"g#s/../x", "http://a/b/c/g"},  {"http:g", "(refused)"},
    };
    for (const auto& c : cases) EXPECT_EQ(Resolve(c[0]), c[1]) << "location \"" << c[0] << '"';
    // Section 5.2.4's own two walks.
    EXPECT_EQ(RemoveDotSegments("/a/b/c/./../../g"), "/a/g");
    EXPECT_EQ(RemoveDotSegments("mid/content=5/../6"), "mid/6");
}

TEST(RedirectLocation, SchemeHostAndPortOfAnAbsoluteLocation) {
    RedirectTarget from = Base();
    from.port = 8080;
    EXPECT_EQ(Resolve("HTTPS://127.0.0.2:4443/up?x=1#frag", from), "https://127.0.0.2:4443/up?x=1");
    // A new authority takes the scheme's port, not the one of the request that was answered.
    EXPECT_EQ(Resolve("http://127.0.0.2", from), "http://127.0.0.2/");
    EXPECT_EQ(Resolve("https://127.0.0.2/", from), "https://127.0.0.2/");
    EXPECT_EQ(Resolve("//127.0.0.2:81", from), "http://127.0.0.2:81/");
    EXPECT_EQ(Resolve("http://127.0.0.2:/x", from), "http://127.0.0.2/x");
    EXPECT_EQ(Resolve("http://[::1]:81/x", from), "http://[::1]:81/x");
    // A path alone keeps the server, its port and its scheme.
    EXPECT_EQ(Resolve("/other", from), "http://a:8080/other");
    from.ssl = true;
    from.port = 443;
    EXPECT_EQ(Resolve("/other", from), "https://a/other");
    EXPECT_EQ(Resolve("//b/x", from), "https://b/x");
    // The request's own object without a leading slash still has the root as its folder.
    from.object = "upload.php?a=/b/c";
    EXPECT_EQ(Resolve("done.php", from), "https://a/done.php");
    // An empty Location names no new target (the RFC's empty reference would be the same page).
    EXPECT_EQ(Resolve("", from), "(refused)");
    // Blanks around the value are no part of it; those inside are escaped.
    EXPECT_EQ(Resolve("  /a b\t", from), "https://a/a%20b");
    EXPECT_EQ(Resolve("/caf\xC3\xA9?q=\x01", from), "https://a/caf%C3%A9?q=%01");
}

TEST(RedirectLocation, LocationsThatAreNotFollowed) {
    for (const char* location :
         {"ftp://127.0.0.2/x", "file:///C:/secret", "javascript:alert(1)", "mailto:a@b", "data:text/plain,x",
          "http://user:pw@127.0.0.2/", "http://127.0.0.1@127.0.0.2/", "http:///x", "http://:80/x",
          "http://127.0.0.2:0/", "http://127.0.0.2:65536/", "http://127.0.0.2:80a/", "http://127.0.0.2:000080/",
          "http://127.0.0.2\\@evil/", "http://a b/", "http://a:1:2/", "http://[::1/", "http://[::1]x/",
          "http://[zz]/", "//", "http:", "https:"}) {
        EXPECT_EQ(Resolve(location), "(refused)") << "location \"" << location << '"';
    }
}
