// cbdtool: look into clipboard content files and move them to and from the
// clipboard from a command line.
#include "clipboard/ClipRecord.h"
#include "clipboard/CoolClipboardComponent.h"
#include "toolkit/Forms.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fputs("usage: cbdtool list FILE\n"
               "       cbdtool extract FILE INDEX OUT\n"
               "       cbdtool save FILE\n"
               "       cbdtool load FILE\n"
               "       cbdtool clear\n",
               stderr);
    return 2;
}

int list(const std::string& fileName) {
    TMemoryStreamEx stream;
    stream.LoadFromFile(fileName);
    for (int index = 0; stream.Position() < stream.Size(); ++index) {
        TClipRecord r = ReadRecord(stream);
        if (r.Format.Named)
            std::printf("#%d name \"%s\" size %d\n", index, r.Format.Name.c_str(), r.Size);
        else
            std::printf("#%d number %u size %d\n", index, r.Format.Number, r.Size);
        std::fflush(stdout);
    }
    return 0;
}

int extract(const std::string& fileName, const std::string& indexText, const std::string& out) {
    std::int32_t wanted = 0;
    if (!tk::TryStrToInt(indexText, wanted) || wanted < 0)
        return usage();
    TMemoryStreamEx stream;
    stream.LoadFromFile(fileName);
    for (int index = 0; stream.Position() < stream.Size(); ++index) {
        TClipRecord r = ReadRecord(stream);
        if (index == wanted) {
            tk::TMemoryStream data;
            data.Write(stream.Memory() + r.DataOffset, static_cast<std::size_t>(r.Size));
            data.SaveToFile(out);
            return 0;
        }
    }
    throw tk::Exception(tk::Format("no record %d in \"%s\"", wanted, fileName.c_str()));
}

int onClipboard(const std::string& command, const std::string& fileName) {
    tk::TApplication application;
    application.SetTitle("cbdtool");
    application.Initialize();
    TCoolClipboardComponent store(&application);
    if (command == "save")
        store.SaveToFile(fileName);
    else if (command == "load")
        store.LoadFromFile(fileName);
    else if (!store.Clear())
        throw tk::Exception("Cannot empty the clipboard");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "list" && argc == 3)
            return list(argv[2]);
        if (command == "extract" && argc == 5)
            return extract(argv[2], argv[3], argv[4]);
        if ((command == "save" || command == "load") && argc == 3)
            return onClipboard(command, argv[2]);
        if (command == "clear" && argc == 2)
            return onClipboard(command, "");
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "cbdtool: %s\n", e.what());
        return 1;
    }
    return usage();
}
