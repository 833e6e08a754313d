// Downloads from a local nginx, into a file each time, side by side:
//
//   InProcess  the program's HTTP client in this process, its ReceiveStream
//              a file (as httpget has it);
//   Httpget    the httpget tool, its events read from its standard output;
//   Curl       curl -s -o FILE.
//
// The body is 50 MB. The two programs are also timed fetching an empty file:
// what a program takes beyond that is the time it spends on the body, apart
// from its start, and those times are compared. After every download the
// file is checked against the body (and httpget's OnDocData lines must add up
// to it). nginx listens on a free port of 127.0.0.1; when it cannot start,
// the run fails. The last lines give the ratios; the exit status is 1 when a
// check failed or nginx did not start.
#include "bench_support.h"

#include "net/HttpProt.h"
#include "toolkit/Classes.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

constexpr std::size_t kBodySize = 50u * 1024 * 1024;

const std::string& Body() {
    static const std::string body = [] {
        std::string b(kBodySize, '\0');
        for (std::size_t i = 0; i < b.size(); ++i)
            b[i] = static_cast<char>((i * 2654435761u) >> 13);
        return b;
    }();
    return body;
}

// Runs a command with its standard output read into `out`.
bool Capture(const std::string& command, std::string& out) {
    out.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return false;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    return ::pclose(pipe) == 0;
}

// A port of 127.0.0.1 that nobody listens on now, as the system hands out
// (the host's sockets are out of reach here, behind the simulator's).
int FreePort() {
    std::string out;
    if (!Capture("python3 -c 'import socket; s = socket.socket(); "
                 "s.bind((\"127.0.0.1\", 0)); print(s.getsockname()[1])'",
                 out))
        return 0;
    return std::atoi(out.c_str());
}

bool Run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

struct LocalServer {
    std::string dir;
    int port = 0;
    bool ok = false;

    LocalServer() {
        char pattern[] = "/tmp/stashwell-http-bench-XXXXXX";
        dir = mkdtemp(pattern);
        Run("mkdir -p " + dir + "/www && chmod 755 " + dir + " " + dir + "/www");
        std::ofstream(dir + "/www/big.bin", std::ios::binary) << Body();
        std::ofstream(dir + "/www/empty.bin", std::ios::binary);
        Run("chmod 644 " + dir + "/www/big.bin " + dir + "/www/empty.bin"); // for nginx's workers
        port = FreePort();
        std::ofstream conf(dir + "/nginx.conf");
        conf << "pid " << dir << "/nginx.pid;\nerror_log " << dir << "/error.log;\n"
             << "events { worker_connections 64; }\n"
             << "http { access_log off; sendfile on;\n"
             << "  client_body_temp_path " << dir << "/b; proxy_temp_path " << dir << "/p;\n"
             << "  fastcgi_temp_path " << dir << "/f; uwsgi_temp_path " << dir << "/u;\n"
             << "  scgi_temp_path " << dir << "/s;\n"
             << "  server { listen 127.0.0.1:" << port << "; root " << dir << "/www; } }\n";
        conf.close();
        ok = port != 0 && Run("nginx -p " + dir + " -c " + dir + "/nginx.conf");
        // nginx is ready once curl gets an answer.
        for (int i = 0; ok && i < 100; ++i) {
            if (Run("curl -s -o /dev/null " + Url("empty.bin")))
                return;
            Run("sleep 0.05");
        }
        if (ok)
            std::fprintf(stderr, "nginx started but does not answer\n");
        ok = false;
    }
    ~LocalServer() {
        if (!dir.empty()) {
            Run("nginx -p " + dir + " -c " + dir + "/nginx.conf -s stop 2>/dev/null");
            Run("rm -rf " + dir);
        }
    }
    std::string Url(const std::string& name) const {
        return "http://127.0.0.1:" + std::to_string(port) + "/" + name;
    }
};

LocalServer* server = nullptr;

bool FileHolds(const std::string& path, const std::string& expected) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str() == expected;
}

std::string ToolPath() {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? static_cast<std::size_t>(n) : 0);
    return path.substr(0, path.rfind('/')) + "/../tools/httpget";
}

// The sum of the lengths in httpget's "OnDocData <n>" lines.
long long DocDataTotal(const std::string& output) {
    long long total = 0;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind("OnDocData ", 0) == 0)
            total += std::atoll(line.c_str() + 10);
    return total;
}

void InProcess(benchmark::State& state) {
    const std::string file = server->dir + "/inprocess.bin";
    for (auto _ : state) {
        {
            tk::TFileStream out(file, tk::TFileStream::fmCreate);
            THttpCli client(nullptr);
            client.URL = server->Url("big.bin");
            client.ReceiveStream = &out;
            client.Fetch();
        }
        state.PauseTiming();
        if (!FileHolds(file, Body()))
            bench::Fail(state, "the in-process download does not hold the body");
        state.ResumeTiming();
    }
}

void Program(benchmark::State& state, bool httpget, const char* name, const std::string& body) {
    const std::string file = server->dir + "/" + (httpget ? "httpget-" : "curl-") + name;
    const std::string command = httpget ? ToolPath() + " " + server->Url(name) + " " + file
                                        : "curl -s -o " + file + " " + server->Url(name);
    std::string output;
    for (auto _ : state) {
        bool ran = Capture(command, output);
        state.PauseTiming();
        if (!ran || !FileHolds(file, body))
            bench::Fail(state, command + ": the file does not hold the body");
        if (httpget && DocDataTotal(output) != static_cast<long long>(body.size()))
            bench::Fail(state, "httpget's OnDocData lines do not add up to the body");
        state.ResumeTiming();
    }
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = bench::TakeRounds(argc, argv, 5);
    Body();
    LocalServer local;
    if (!local.ok) {
        std::printf("nginx did not start\n");
        return 1;
    }
    server = &local;
    const std::string none;
    bench::RegisterRounds(
        {{"InProcess", InProcess, 2},
         {"HttpgetBig", [&](benchmark::State& s) { Program(s, true, "big.bin", Body()); }, 2},
         {"HttpgetEmpty", [&](benchmark::State& s) { Program(s, true, "empty.bin", none); }, 5},
         {"CurlBig", [&](benchmark::State& s) { Program(s, false, "big.bin", Body()); }, 2},
         {"CurlEmpty", [&](benchmark::State& s) { Program(s, false, "empty.bin", none); }, 5}},
        rounds);
    benchmark::Initialize(&argc, argv);
    bench::BestTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const bench::Best hBig = reporter.Of("HttpgetBig"), hEmpty = reporter.Of("HttpgetEmpty");
    const bench::Best cBig = reporter.Of("CurlBig"), cEmpty = reporter.Of("CurlEmpty");
    const bench::Best inProcess = reporter.Of("InProcess");
    if (hBig.Known() && hEmpty.Known() && cBig.Known() && cEmpty.Known() && inProcess.Known()) {
        const double httpgetBody = hBig.real - hEmpty.real;
        const double curlBody = cBig.real - cEmpty.real;
        std::printf("program start (empty file): httpget %.1f ms, curl %.1f ms\n",
                    hEmpty.real * 1e3, cEmpty.real * 1e3);
        std::printf("in-process client / curl beyond its start: %.2f (%.1f ms / %.1f ms)\n",
                    inProcess.real / curlBody, inProcess.real * 1e3, curlBody * 1e3);
        std::printf("httpget / curl beyond each one's start: %.2f (%.1f ms / %.1f ms)\n",
                    httpgetBody / curlBody, httpgetBody * 1e3, curlBody * 1e3);
    } else {
        std::printf("no ratio: a side did not run\n");
    }
    if (bench::failed()) {
        std::printf("a result check failed\n");
        return 1;
    }
    return 0;
}
