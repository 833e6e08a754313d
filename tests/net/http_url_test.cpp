// Splitting addresses, file names, Base64 and dates of the HTTP client.
#include "net/HttpProt.h"

#include <gtest/gtest.h>

namespace {

struct Parts {
    std::string proto, user, pass, host, port, path;
};

Parts Parse(const std::string& url, const std::string& previousPath = "") {
    Parts p;
    p.path = previousPath;
    ParseURL(url, p.proto, p.user, p.pass, p.host, p.port, p.path);
    return p;
}

TEST(HttpParseURL, AbsoluteAddresses) {
    Parts p = Parse("http://user:pw@www.example.com:81/img/a.gif?x=1");
    EXPECT_EQ(p.proto, "http");
    EXPECT_EQ(p.user, "user");
    EXPECT_EQ(p.pass, "pw");
    EXPECT_EQ(p.host, "www.example.com");
    EXPECT_EQ(p.port, "81");
    EXPECT_EQ(p.path, "/img/a.gif?x=1");

    p = Parse("http://host?q=/a");
    EXPECT_EQ(p.host, "host");
    EXPECT_EQ(p.path, "?q=/a") << "the path starts at a query that comes first";

    p = Parse("http://host");
    EXPECT_EQ(p.host, "host");
    EXPECT_EQ(p.path, "");
    EXPECT_EQ(p.port, "");

    p = Parse("www.example.com/x");
    EXPECT_EQ(p.proto, "");
    EXPECT_EQ(p.host, "www.example.com");
    EXPECT_EQ(p.path, "/x");

    p = Parse("joe@host:8080/p");
    EXPECT_EQ(p.user, "joe");
    EXPECT_EQ(p.host, "host");
    EXPECT_EQ(p.port, "8080");

    p = Parse("http://a:b@host/");
    EXPECT_EQ(p.user, "a");
    EXPECT_EQ(p.pass, "b");
    EXPECT_EQ(p.host, "host") << "a colon before the @ belongs to the credentials";
    EXPECT_EQ(p.port, "");
}

TEST(HttpParseURL, BarePathsAndRelativeForms) {
    Parts p = Parse("/only/path.gif");
    EXPECT_EQ(p.proto, "http");
    EXPECT_EQ(p.host, "");
    EXPECT_EQ(p.path, "/only/path.gif");

    EXPECT_EQ(Parse("./b.gif", "/dir/a.gif").path, "/dir/b.gif");
    EXPECT_EQ(Parse("./b.gif", "nodir").path, "/b.gif");
    EXPECT_EQ(Parse("../b.gif", "/x/y/a.gif").path, "/x/b.gif");
    EXPECT_EQ(Parse("../../b.gif", "/x/y/a.gif").path, "/b.gif");
    EXPECT_EQ(Parse("../../../b.gif", "/x/a.gif").path, "/b.gif") << "never above the root";
    Parts empty = Parse("", "/kept");
    EXPECT_EQ(empty.path, "");
    EXPECT_EQ(empty.host, "");
}

TEST(HttpParseURL, UnevenFormsChosenHere) {
    Parts p = Parse("//cdn.example/a.gif");
    EXPECT_EQ(p.proto, "");
    EXPECT_EQ(p.host, "cdn.example");
    EXPECT_EQ(p.path, "/a.gif");

    p = Parse("HTTP://Host.Example/A.gif");
    EXPECT_EQ(p.proto, "http");
    EXPECT_EQ(p.host, "Host.Example");
    EXPECT_EQ(p.path, "/A.gif");

    p = Parse("http:host/x");
    EXPECT_EQ(p.proto, "http");
    EXPECT_EQ(p.host, "host");
    EXPECT_EQ(p.path, "/x");

    p = Parse("mailto:someone@example.com");
    EXPECT_EQ(p.proto, "mailto");
    EXPECT_EQ(p.user, "someone");
    EXPECT_EQ(p.host, "example.com");

    p = Parse("www.example.com/go?u=http://other/");
    EXPECT_EQ(p.proto, "") << "a scheme check sees the dots and slash before ://";
    EXPECT_EQ(p.host, "www.example.com");
}

TEST(HttpSuggestedFileName, FromThePath) {
    EXPECT_EQ(SuggestedFileNameOf(""), "document.htm");
    EXPECT_EQ(SuggestedFileNameOf("/"), "document.htm");
    EXPECT_EQ(SuggestedFileNameOf("/dir/"), "document.htm");
    EXPECT_EQ(SuggestedFileNameOf("/a/b.gif?size=2"), "b.gif");
    EXPECT_EQ(SuggestedFileNameOf("/dir/?x"), "document.htm");
    EXPECT_EQ(SuggestedFileNameOf("/" + std::string(300, 'n')), std::string(255, 'n'));
}

TEST(HttpHelpers, Base64BaseOfUrlAndDates) {
    EXPECT_EQ(EncodeStr64(""), "");
    EXPECT_EQ(EncodeStr64("f"), "Zg==");
    EXPECT_EQ(EncodeStr64("fo"), "Zm8=");
    EXPECT_EQ(EncodeStr64("foo"), "Zm9v");
    EXPECT_EQ(EncodeStr64("Aladdin:open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    EXPECT_EQ(BaseOfURL("/a/b/c.gif"), "/a/b/");
    EXPECT_EQ(BaseOfURL("/a/b?x=/y/z"), "/a/");
    EXPECT_EQ(BaseOfURL("name"), "");
    // 6 November 1994 08:49:37 = day 34644 after 30 December 1899.
    EXPECT_EQ(RFC1123Date(34644 + (8 * 3600 + 49 * 60 + 37) / 86400.0),
              "Sun, 06 Nov 1994 08:49:37");
    EXPECT_EQ(RFC1123Date(36526), "Sat, 01 Jan 2000 00:00:00");
}

} // namespace
