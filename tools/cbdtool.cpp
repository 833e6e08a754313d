// cbdtool: look into clipboard content files and move them to and from the
// clipboard from a command line.
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

struct Record {
    bool named = false;
    std::string name;
    std::uint32_t format = 0;
    std::int32_t size = 0;
    std::size_t dataOffset = 0;
};

// Reads the record at the stream's position the way a restore does, without
// touching the clipboard, and steps over its data.
Record readRecord(TMemoryStreamEx& stream) {
    Record record;
    record.named = stream.ReadBoolean();
    if (record.named)
        record.name = stream.ReadString();
    else
        record.format = static_cast<std::uint32_t>(stream.ReadInteger());
    record.size = stream.ReadInteger();
    if (record.size < 0 || static_cast<std::size_t>(record.size) > stream.Remaining())
        throw tk::EReadError("Stream read error");
    record.dataOffset = static_cast<std::size_t>(stream.Position());
    stream.Seek(record.size, tk::TSeekOrigin::soCurrent);
    return record;
}

int list(const std::string& fileName) {
    TMemoryStreamEx stream;
    stream.LoadFromFile(fileName);
    for (int index = 0; stream.Position() < stream.Size(); ++index) {
        Record r = readRecord(stream);
        if (r.named)
            std::printf("#%d name \"%s\" size %d\n", index, r.name.c_str(), r.size);
        else
            std::printf("#%d number %u size %d\n", index, r.format, r.size);
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
        Record r = readRecord(stream);
        if (index == wanted) {
            tk::TMemoryStream data;
            data.Write(stream.Memory() + r.dataOffset, static_cast<std::size_t>(r.size));
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
