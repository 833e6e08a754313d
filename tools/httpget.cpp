// httpget: fetches one URL with the program's HTTP client into a file, and
// prints each event of the client as it is raised.
//
//   httpget URL OUTFILE
//
// Exit status 0 when the request ran to its end (whatever the status code
// below 400), 1 with the client's message when it failed, 2 for bad usage.
#include "net/HttpProt.h"
#include "toolkit/Forms.h"

#include <cstdio>
#include <string>

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

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: httpget URL OUTFILE\n", stderr);
        return 2;
    }
    try {
        tk::TApplication application;
        application.Initialize();
        application.SetTitle("httpget");
        tk::TFileStream out(argv[2], tk::TFileStream::fmCreate);
        auto* client = new THttpCli(&application);
        client->URL = argv[1];
        client->ReceiveStream = &out;
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
