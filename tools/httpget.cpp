// httpget: fetches one URL with the program's HTTP client into a file, and
// prints each event of the client as it is raised.
//
//   httpget [--socks HOST:PORT [--socks-level 4|4A|5]
//            [--socks-user NAME --socks-password PASSWORD]] URL OUTFILE
//
// With --socks the connection goes through that SOCKS server (level 5
// unless told otherwise; with a user name, level 5 authenticates with it).
// Exit status 0 when the request ran to its end (whatever the status code
// below 400), 1 with the client's message when it failed, 2 for bad usage.
#include "net/HttpProt.h"
#include "toolkit/Forms.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* stateName(THttpClientState state) {
    switch (state) {
    case hsIdle:
        return "hsIdle";
    case hsStarting:
        return "hsStarting";
    case hsSessionOpen:
        return "hsSessionOpen";
    case hsResolving:
        return "hsResolving";
    case hsResolved:
        return "hsResolved";
    case hsAwaitingHeader:
        return "hsAwaitingHeader";
    case hsReceivingBody:
        return "hsReceivingBody";
    }
    return "?";
}

// One line per event. The lines of body blocks, by far the most, stay in
// the output buffer until the next other event, so that a download does not
// pay a write to standard output for every block.
void say(const std::string& line, bool flush = true) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    if (flush)
        std::fflush(stdout);
}

const char* const usage =
    "usage: httpget [--socks HOST:PORT [--socks-level 4|4A|5]\n"
    "                [--socks-user NAME --socks-password PASSWORD]] URL OUTFILE\n";

struct Options {
    std::string socksHost;
    std::string socksPort;
    std::string socksLevel = "5";
    std::string socksUser;
    std::string socksPassword;
    bool authenticate = false;
    std::string url;
    std::string outFile;
};

// False for arguments that do not make a command.
bool ParseArguments(int argc, char** argv, Options& options) {
    std::vector<std::string> plain;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        if (arg == "--socks") {
            std::string server;
            if (!value(server))
                return false;
            auto colon = server.rfind(':');
            if (colon == std::string::npos || colon == 0 || colon + 1 == server.size())
                return false;
            options.socksHost = server.substr(0, colon);
            options.socksPort = server.substr(colon + 1);
        } else if (arg == "--socks-level") {
            if (!value(options.socksLevel))
                return false;
        } else if (arg == "--socks-user") {
            if (!value(options.socksUser))
                return false;
            options.authenticate = true;
        } else if (arg == "--socks-password") {
            if (!value(options.socksPassword))
                return false;
        } else if (arg.rfind("--", 0) == 0) {
            return false;
        } else {
            plain.push_back(arg);
        }
    }
    if (plain.size() != 2)
        return false;
    // The SOCKS details mean nothing without a server.
    if (options.socksHost.empty() && (options.authenticate || options.socksLevel != "5"))
        return false;
    options.url = plain[0];
    options.outFile = plain[1];
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Fully buffered even where the C library would write every line on
    // its own (standard output to a file under Windows): the lines of body
    // blocks then leave with the next other event.
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    Options options;
    if (!ParseArguments(argc, argv, options)) {
        std::fputs(usage, stderr);
        return 2;
    }
    try {
        tk::TApplication application;
        application.Initialize();
        application.SetTitle("httpget");
        tk::TFileStream out(options.outFile, tk::TFileStream::fmCreate);
        auto* client = new THttpCli(&application);
        client->URL = options.url;
        client->ReceiveStream = &out;
        if (!options.socksHost.empty()) {
            client->SetSocksServer(options.socksHost);
            client->SetSocksPort(options.socksPort);
            client->SetSocksLevel(options.socksLevel);
            if (options.authenticate) {
                client->SetSocksUsercode(options.socksUser);
                client->SetSocksPassword(options.socksPassword);
                client->SetSocksAuthentication(socksAuthenticateUsercode);
            }
        }
        client->OnSocksConnected = [](tk::TComponent*) {
            say("OnSocksConnected");
        };
        client->OnSocksError = [](tk::TComponent*, int error, const std::string& message) {
            say("OnSocksError " + tk::IntToStr(error) + " " + message);
        };
        client->OnStateChange = [&](tk::TComponent*) {
            say(std::string("OnStateChange ") + stateName(client->State()));
        };
        client->OnSessionConnected = [](tk::TComponent*) {
            say("OnSessionConnected");
        };
        client->OnRequestHeaderBegin = [](tk::TComponent*) {
            say("OnRequestHeaderBegin");
        };
        client->OnBeforeHeaderSend = [](tk::TComponent*, const std::string& method,
                                        std::vector<std::string>&) {
            say("OnBeforeHeaderSend " + method);
        };
        client->OnCommand = [](tk::TComponent*, std::string& line) {
            say(line.empty() ? std::string("OnCommand") : "OnCommand " + line);
        };
        client->OnRequestHeaderEnd = [](tk::TComponent*) {
            say("OnRequestHeaderEnd");
        };
        client->OnHeaderBegin = [](tk::TComponent*) {
            say("OnHeaderBegin");
        };
        client->OnHeaderData = [&](tk::TComponent*) {
            say("OnHeaderData " + client->LastResponse());
        };
        client->OnHeaderEnd = [](tk::TComponent*) {
            say("OnHeaderEnd");
        };
        client->OnLocationChange = [&](tk::TComponent*) {
            say("OnLocationChange " + client->RedirectURL());
        };
        client->OnDocBegin = [](tk::TComponent*) {
            say("OnDocBegin");
        };
        client->OnDocData = [](tk::TComponent*, const char*, int len) {
            say("OnDocData " + tk::IntToStr(len), false);
        };
        client->OnDocEnd = [](tk::TComponent*) {
            say("OnDocEnd");
        };
        client->OnRequestDone = [](tk::TComponent*, THttpRequest, WORD error) {
            say("OnRequestDone " + tk::IntToStr(error));
        };
        int status = 0;
        try {
            client->Fetch();
        } catch (const EHttpException& e) {
            say("ResponseCode " + tk::IntToStr(client->ResponseCode()));
            say("ResponseReason " + client->ResponseReason());
            std::fprintf(stderr, "httpget: %s\n", e.what());
            status = 1;
        }
        if (status == 0) {
            // OnRequestDone follows through the message loop.
            application.ProcessMessages();
            say("ResponseCode " + tk::IntToStr(client->ResponseCode()));
            say("ResponseReason " + client->ResponseReason());
        }
        return status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "httpget: %s\n", e.what());
        return 1;
    }
}
