#include "http_rawserver.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace peer {

namespace {

int listenOn(int& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    ::listen(fd, 16);
    return fd;
}

bool readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

} // namespace

Connection::~Connection() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::string Connection::ReadRequest() {
    std::string got;
    char c;
    while (got.find("\r\n\r\n") == std::string::npos) {
        if (!readable(fd_, 10000))
            break;
        ssize_t n = ::recv(fd_, &c, 1, 0);
        if (n <= 0)
            break;
        got += c;
    }
    received_ += got;
    return got;
}

std::string Connection::ReadExactly(std::size_t count) {
    std::string got;
    char buffer[4096];
    while (got.size() < count) {
        if (!readable(fd_, 10000))
            break;
        ssize_t n = ::recv(fd_, buffer, std::min(sizeof buffer, count - got.size()), 0);
        if (n <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    received_ += got;
    return got;
}

std::string Connection::ReadFor(int ms) {
    std::string got;
    char buffer[4096];
    while (readable(fd_, ms)) {
        ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    received_ += got;
    return got;
}

bool Connection::Send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void Signal::Raise() {
    std::lock_guard guard(mutex_);
    ++pending_;
    raised_.notify_all();
}

bool Signal::Wait(int ms) {
    std::unique_lock guard(mutex_);
    if (!raised_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return pending_ > 0; }))
        return false;
    --pending_;
    return true;
}

bool Connection::WaitForClose(int ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    char buffer[4096];
    while (std::chrono::steady_clock::now() < until) {
        if (!readable(fd_, 20))
            continue;
        ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0)
            return true;
        received_.append(buffer, static_cast<std::size_t>(n));
    }
    return false;
}

void Connection::Close() {
    if (fd_ >= 0) {
        ::shutdown(fd_, SHUT_WR);
        ::close(fd_);
        fd_ = -1;
    }
}

void Connection::Reset() {
    if (fd_ >= 0) {
        linger l{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        ::close(fd_);
        fd_ = -1;
    }
}

struct Server::Impl {
    int listener = -1;
    int wake[2] = {-1, -1};
    std::thread thread;
    mutable std::mutex mutex;
    std::vector<std::string> requests;
    std::atomic<bool> stop{false};
    std::atomic<bool> busy{false}; // a script is running
};

Server::Server(std::function<void(Connection&)> script) : impl_(std::make_unique<Impl>()) {
    impl_->listener = listenOn(port_);
    ::pipe(impl_->wake);
    Impl* impl = impl_.get();
    impl_->thread = std::thread([impl, script = std::move(script)] {
        for (;;) {
            pollfd p[2] = {{impl->listener, POLLIN, 0}, {impl->wake[0], POLLIN, 0}};
            ::poll(p, 2, -1);
            if (impl->stop || (p[1].revents & POLLIN))
                return;
            int fd = ::accept4(impl->listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            impl->busy = true;
            std::size_t index;
            {
                std::lock_guard guard(impl->mutex);
                index = impl->requests.size();
                impl->requests.emplace_back();
            }
            Connection conn(fd);
            script(conn);
            std::lock_guard guard(impl->mutex);
            impl->requests[index] = conn.Received();
            impl->busy = false;
        }
    });
}

Server::~Server() {
    impl_->stop = true;
    [[maybe_unused]] auto n = ::write(impl_->wake[1], "x", 1);
    impl_->thread.join();
    ::close(impl_->listener);
    ::close(impl_->wake[0]);
    ::close(impl_->wake[1]);
}

std::string Server::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> Server::Requests() const {
    // What a connection received is known once its script has ended.
    for (int i = 0; i < 1000 && impl_->busy; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::lock_guard guard(impl_->mutex);
    return impl_->requests;
}

int Server::Connections() const {
    std::lock_guard guard(impl_->mutex);
    return static_cast<int>(impl_->requests.size());
}

int FreePort() {
    int port = 0;
    int fd = listenOn(port);
    ::close(fd);
    return port;
}

int ClosedPort() {
    return FreePort();
}

Process::Process(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0)
        pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
}

Process::~Process() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

bool WaitListening(int port, int ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(port));
        bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(fd);
        if (ok)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool HaveProgram(const std::string& name) {
    std::string cmd = "command -v " + name + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

std::string MakeTempDir() {
    char pattern[] = "/tmp/stashwell-http-XXXXXX";
    char* dir = ::mkdtemp(pattern);
    return dir ? dir : "/tmp";
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace peer
