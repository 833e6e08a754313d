// Downloads a 50 MB body from a local nginx three ways in one run: with the
// program's HTTP client in this process, with the httpget tool, and with
// curl. The figures to compare are the times per download (and their ratio).
#include "net/HttpProt.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t bodySize = 50u * 1024 * 1024;

struct LocalServer {
    std::string dir;
    int port = 0;
    bool ok = false;

    LocalServer() {
        char pattern[] = "/tmp/stashwell-http-bench-XXXXXX";
        dir = mkdtemp(pattern);
        std::system(("mkdir -p " + dir + "/www && chmod 755 " + dir + " " + dir + "/www").c_str());
        {
            std::ofstream out(dir + "/www/big.bin", std::ios::binary);
            std::string block(1 << 20, '\0');
            for (std::size_t i = 0; i < block.size(); ++i)
                block[i] = static_cast<char>(i * 2654435761u >> 13);
            for (std::size_t i = 0; i < bodySize / block.size(); ++i)
                out << block;
        }
        std::srand(static_cast<unsigned>(getpid()));
        port = 20000 + static_cast<int>(std::rand() % 20000);
        std::ofstream conf(dir + "/nginx.conf");
        conf << "pid " << dir << "/nginx.pid;\nerror_log " << dir << "/error.log;\n"
             << "events { worker_connections 64; }\n"
             << "http { access_log off; sendfile on;\n"
             << "  client_body_temp_path " << dir << "/b; proxy_temp_path " << dir << "/p;\n"
             << "  fastcgi_temp_path " << dir << "/f; uwsgi_temp_path " << dir << "/u;\n"
             << "  scgi_temp_path " << dir << "/s;\n"
             << "  server { listen 127.0.0.1:" << port << "; root " << dir << "/www; } }\n";
        conf.close();
        std::system(("chmod 644 " + dir + "/www/big.bin").c_str()); // nginx's workers read it
        ok = std::system(("nginx -p " + dir + " -c " + dir + "/nginx.conf").c_str()) == 0;
        // nginx is ready once curl gets an answer.
        for (int i = 0; ok && i < 100; ++i) {
            if (std::system(("curl -s -o /dev/null " + Url()).c_str()) == 0)
                return;
            std::system("sleep 0.05");
        }
        ok = false;
    }
    ~LocalServer() {
        std::system(("nginx -p " + dir + " -c " + dir + "/nginx.conf -s stop").c_str());
        std::system(("rm -rf " + dir).c_str());
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port) + "/big.bin"; }
};

LocalServer& server() {
    static LocalServer instance;
    return instance;
}

std::string ToolPath() {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? static_cast<std::size_t>(n) : 0);
    return path.substr(0, path.rfind('/')) + "/../tools/httpget";
}

void BM_HttpCliInProcess(benchmark::State& state) {
    if (!server().ok) {
        state.SkipWithError("nginx did not start");
        return;
    }
    for (auto _ : state) {
        THttpCli client(nullptr);
        long long bytes = 0;
        client.OnDocData = [&](tk::TComponent*, const char*, int len) {
            bytes += len;
        };
        client.URL = server().Url();
        client.Fetch();
        if (bytes != static_cast<long long>(bodySize))
            state.SkipWithError("short download");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bodySize));
}

void BM_HttpGetTool(benchmark::State& state) {
    if (!server().ok) {
        state.SkipWithError("nginx did not start");
        return;
    }
    std::string command =
        ToolPath() + " " + server().Url() + " " + server().dir + "/out.bin >/dev/null";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("httpget failed");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bodySize));
}

void BM_Curl(benchmark::State& state) {
    if (!server().ok) {
        state.SkipWithError("nginx did not start");
        return;
    }
    std::string command = "curl -s -o " + server().dir + "/curl.bin " + server().Url();
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("curl failed");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bodySize));
}

BENCHMARK(BM_HttpCliInProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_HttpGetTool)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Curl)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
