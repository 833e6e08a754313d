// Peers for the socket and HTTP tests: a scripted TCP server on 127.0.0.1
// that records what it receives, and the start of real servers (Python's
// http.server, nginx) as child processes. Written over the host's own
// sockets, beside and independent of the program's WinSock.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace peer {

// A step at which a server script waits for the test: the script stops in
// Wait until the test raises the signal (for instance once the client has
// taken what was sent before), so that the pieces of an answer reach the
// client apart however busy the machine is.
class Signal {
public:
    // Lets one Wait through, now or later.
    void Raise();
    // True when raised; false after `ms` milliseconds without.
    bool Wait(int ms = 10000);

private:
    std::mutex mutex_;
    std::condition_variable raised_;
    int pending_ = 0;
};

// One accepted connection, handed to the script on the server's thread.
class Connection {
public:
    explicit Connection(int fd) : fd_(fd) {}
    ~Connection();
    // Reads up to and including the blank line that ends a request header
    // (or until the peer closes); returns what was read.
    std::string ReadRequest();
    // Reads exactly `count` bytes (fewer when the peer closes first).
    std::string ReadExactly(std::size_t count);
    // Reads what arrives within `ms` milliseconds of quiet.
    std::string ReadFor(int ms);
    // False when the peer went away before all was sent.
    bool Send(const std::string& bytes);
    // Waits until the peer closes; false after `ms` milliseconds.
    bool WaitForClose(int ms);
    void Close();
    void Reset(); // closes with a reset instead of a normal end
    const std::string& Received() const { return received_; }

private:
    int fd_;
    std::string received_;
};

class Server {
public:
    // Runs `script` for each connection, one after the other.
    explicit Server(std::function<void(Connection&)> script);
    ~Server();
    int Port() const { return port_; }
    std::string Url(const std::string& path = "/") const;
    // Every connection's received bytes, in order of arrival (waits for a
    // running script to end).
    std::vector<std::string> Requests() const;
    int Connections() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int port_ = 0;
};

// A port on 127.0.0.1 that was free a moment ago.
int FreePort();
// A port where nothing listens (connections are refused).
int ClosedPort();

// A child process; stopped (SIGTERM, then SIGKILL) by the destructor.
class Process {
public:
    explicit Process(const std::vector<std::string>& argv);
    ~Process();
    bool Running() const { return pid_ > 0; }

private:
    int pid_ = -1;
};

// Waits until something accepts connections on 127.0.0.1:port.
bool WaitListening(int port, int ms);
bool HaveProgram(const std::string& name);
std::string MakeTempDir();
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

} // namespace peer
