// The HTTP client against servers that nobody here wrote: Python's
// http.server and nginx, started on free local ports for each test.
#include "http_rawserver.h"
#include "http_support.h"

#include <memory>
#include <string>

using nettest::NetTest;

namespace {

std::string Pattern(std::size_t size) {
    std::string out(size, '\0');
    std::uint32_t x = 12345;
    for (auto& c : out) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return out;
}

class HttpPeers : public NetTest {
protected:
    std::string dir = peer::MakeTempDir();
    std::string image = "GIF89a" + Pattern(300000);
    tk::TMemoryStream body;
    THttpCli client{nullptr};

    void SetUp() override {
        NetTest::SetUp();
        std::system(("mkdir -p " + dir + "/www/img").c_str());
        peer::WriteFile(dir + "/www/img/banner.gif", image);
        client.ReceiveStream = &body;
    }
    void TearDown() override {
        std::system(("rm -rf " + dir).c_str());
        NetTest::TearDown();
    }
    std::string Body() {
        return std::string(reinterpret_cast<const char*>(body.Memory()),
                           static_cast<std::size_t>(body.Size()));
    }
};

TEST_F(HttpPeers, PythonHttpServer) {
    if (!peer::HaveProgram("python3"))
        GTEST_SKIP() << "python3 is not installed";
    int port = peer::FreePort();
    peer::Process server({"python3", "-m", "http.server", std::to_string(port), "--bind",
                          "127.0.0.1", "--directory", dir + "/www"});
    ASSERT_TRUE(peer::WaitListening(port, 10000));
    std::string base = "http://127.0.0.1:" + std::to_string(port);

    client.URL = base + "/img/banner.gif";
    client.Fetch();
    EXPECT_EQ(client.ResponseCode(), 200);
    EXPECT_EQ(client.BodyType(), "image/gif");
    EXPECT_EQ(client.BodyLength(), static_cast<long long>(image.size()));
    EXPECT_TRUE(Body() == image) << "the body differs";

    // A folder without its slash is redirected by the server.
    body.Clear();
    int moved = 0;
    client.OnLocationChange = [&](tk::TComponent*) {
        ++moved;
    };
    client.URL = base + "/img";
    client.Fetch();
    EXPECT_EQ(moved, 1);
    EXPECT_EQ(client.ResponseCode(), 200);
    EXPECT_NE(Body().find("banner.gif"), std::string::npos) << "the folder listing";

    client.URL = base + "/img/missing.gif";
    try {
        client.Fetch();
        FAIL() << "no exception";
    } catch (const EHttpException& e) {
        EXPECT_EQ(e.ErrorCode, 404);
        EXPECT_EQ(e.Message(), "File not found");
    }
}

TEST_F(HttpPeers, Nginx) {
    if (!peer::HaveProgram("nginx") && !peer::HaveProgram("/usr/sbin/nginx"))
        GTEST_SKIP() << "nginx is not installed";
    int port = peer::FreePort();
    std::string conf = "daemon off;\nmaster_process off;\nworker_processes 1;\n"
                       "pid " +
                       dir + "/nginx.pid;\nerror_log " + dir +
                       "/error.log;\n"
                       "events { worker_connections 64; }\n"
                       "http {\n  access_log off;\n"
                       "  client_body_temp_path " +
                       dir +
                       "/body;\n"
                       "  proxy_temp_path " +
                       dir +
                       "/proxy;\n"
                       "  fastcgi_temp_path " +
                       dir +
                       "/fastcgi;\n"
                       "  uwsgi_temp_path " +
                       dir +
                       "/uwsgi;\n"
                       "  scgi_temp_path " +
                       dir +
                       "/scgi;\n"
                       "  types { image/gif gif; }\n"
                       "  server {\n    listen 127.0.0.1:" +
                       std::to_string(port) +
                       ";\n"
                       "    root " +
                       dir +
                       "/www;\n"
                       "    location = /old.gif { return 302 /img/banner.gif; }\n"
                       "    location = /forbidden { return 403; }\n"
                       "  }\n}\n";
    peer::WriteFile(dir + "/nginx.conf", conf);
    std::string nginx = peer::HaveProgram("nginx") ? "nginx" : "/usr/sbin/nginx";
    peer::Process server({nginx, "-p", dir, "-c", dir + "/nginx.conf"});
    ASSERT_TRUE(peer::WaitListening(port, 10000)) << peer::ReadFile(dir + "/error.log");
    std::string base = "http://127.0.0.1:" + std::to_string(port);

    int moved = 0;
    client.OnLocationChange = [&](tk::TComponent*) {
        ++moved;
    };
    client.URL = base + "/old.gif";
    client.Fetch();
    EXPECT_EQ(moved, 1);
    EXPECT_EQ(client.ResponseCode(), 200);
    EXPECT_EQ(client.BodyType(), "image/gif");
    EXPECT_TRUE(Body() == image) << "the body differs, " << body.Size() << " bytes";

    client.URL = base + "/forbidden";
    try {
        client.Fetch();
        FAIL() << "no exception";
    } catch (const EHttpException& e) {
        EXPECT_EQ(e.ErrorCode, 403);
        EXPECT_EQ(e.Message(), "Forbidden");
    }
}

} // namespace
