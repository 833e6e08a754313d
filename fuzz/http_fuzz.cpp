// Feeds arbitrary response bytes to the HTTP client, split at arbitrary
// points, through its real receive path: a local server made of the
// program's own sockets answers each request with the input's bytes, one
// chunk at a time, each chunk read by the client before the next is sent.
//
// Input: byte 0 = number of split points n (low 4 bits); the next n bytes
// are the chunk lengths' seeds; the rest is the response.
#include "net/HttpProt.h"
#include "platform/sim/simulator.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Harness {
    std::unique_ptr<TWSocket> listener;
    std::vector<std::unique_ptr<TWSocket>> connections; // accepted, newest last
    std::string port;

    Harness() {
        sim::SetClockFollowsRealTime(true);
        // Names found in fuzzed Location headers never reach a real resolver.
        sim::SetHostLookup([](const std::string&, std::vector<std::string>&) { return 11001; });
        listener = std::make_unique<TWSocket>(nullptr);
        listener->SetAddr("127.0.0.1");
        listener->SetPort("0");
        listener->SetProto("tcp");
        listener->OnSessionAvailable = [this](tk::TComponent*, WORD) {
            auto conn = std::make_unique<TWSocket>(nullptr);
            conn->OnError = [](tk::TComponent*) {
            }; // the client may go first
            conn->Dup(listener->Accept());
            connections.push_back(std::move(conn));
        };
        listener->Listen();
        port = listener->Port();
    }
};

Harness& harness() {
    static Harness* instance = new Harness;
    return *instance;
}

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Pumps until `done` holds, waiting for messages in between; bounded.
template <typename Done> bool pumpUntil(Done done, int rounds = 400) {
    for (int i = 0; i < rounds; ++i) {
        pump();
        if (done())
            return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return done();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Harness& h = harness();
    if (size == 0)
        return 0;
    std::size_t splits = data[0] & 0x0F;
    if (size < 1 + splits)
        return 0;
    std::vector<std::size_t> seeds(data + 1, data + 1 + splits);
    std::string response(reinterpret_cast<const char*>(data + 1 + splits), size - 1 - splits);
    if (response.size() > 64 * 1024)
        return 0;

    std::vector<std::string> chunks;
    std::size_t pos = 0;
    for (std::size_t seed : seeds) {
        if (pos >= response.size())
            break;
        std::size_t len = 1 + seed * (response.size() - pos) / 256;
        chunks.push_back(response.substr(pos, len));
        pos += len;
    }
    if (pos < response.size())
        chunks.push_back(response.substr(pos));

    auto client = std::make_unique<THttpCli>(nullptr);
    client->MaxRedirections = 1;
    client->URL = "http://127.0.0.1:" + h.port + "/fuzz/x.gif";
    long long delivered = 0;
    client->OnDocData = [&](tk::TComponent*, const char*, int len) {
        delivered += len;
    };
    bool answered = false; // a response header began
    client->OnHeaderBegin = [&](tk::TComponent*) {
        answered = true;
    };
    h.connections.clear();
    client->BeginRequest(httpGET);
    if (pumpUntil([&] { return !h.connections.empty() || client->State() == hsIdle; })) {
        TWSocket* server = h.connections.empty() ? nullptr : h.connections.front().get();
        for (const auto& chunk : chunks) {
            if (!server || server->State() != wsConnected)
                break;
            server->Send(chunk.data(), static_cast<int>(chunk.size()));
            // The client reads this chunk before the next one goes out.
            pumpUntil(
                [&] {
                    return client->State() == hsIdle ||
                           client->CtrlSocket().State() != wsConnected ||
                           (server->AllSent() && client->CtrlSocket().RcvdCount() == 0);
                },
                40);
        }
        if (server && server->State() == wsConnected)
            server->Close();
        // A redirection connects again: those connections close at once.
        pumpUntil([&] {
            for (auto& c : h.connections)
                if (c.get() != server && c->State() == wsConnected)
                    c->Close();
            return client->State() == hsIdle;
        });
    }
    // Once the server has closed, the request ends by itself: the response
    // was read (whatever its status; a non-zero DoneError is then the error
    // of the close), no answer came (a close without error), or it ended in
    // one of the client's own failures, a WinSock error told as
    // "<text> (Error #<code>)" or a name that could not be resolved.
    if (client->State() != hsIdle) {
        std::fprintf(stderr, "the request did not end after the server closed\n");
        std::abort();
    }
    const WORD error = client->DoneError();
    const std::string& reason = client->ResponseReason();
    const std::string suffix = " (Error #" + std::to_string(error) + ")";
    const bool clientFailure =
        (error == 11001 && reason == "can't resolve hostname to IP address") ||
        (reason.size() > suffix.size() &&
         reason.compare(reason.size() - suffix.size(), suffix.size(), suffix) == 0);
    if (error != 0 && !answered && !clientFailure) {
        std::fprintf(stderr, "the request ended in error %u without the client's message: \"%s\"\n",
                     static_cast<unsigned>(error), reason.c_str());
        std::abort();
    }
    if (delivered > static_cast<long long>(response.size())) {
        std::fprintf(stderr, "more body bytes than were sent\n");
        std::abort();
    }
    client.reset();
    h.connections.clear();
    pump();
    return 0;
}
