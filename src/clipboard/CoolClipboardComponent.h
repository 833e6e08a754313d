// Captures the whole clipboard into a clipboard content file, puts such a
// file back, empties the clipboard. Every clipboard access is made on behalf
// of the application window of the component's owner chain.
#pragma once

#include "clipboard/MemoryStreamEx.h"
#include "toolkit/Classes.h"

#include <string>

class TCoolClipboardComponent : public tk::TComponent {
public:
    explicit TCoolClipboardComponent(tk::TComponent* owner) : tk::TComponent(owner) {}

    void SaveToFile(const std::string& fileName);
    void LoadFromFile(const std::string& fileName);
    bool Clear();

    // One record: appended when the format's data can be read, else nothing.
    void SaveFormat(TMemoryStreamEx& stream, UINT format);
    // Reads one record at the stream's position and puts it on the clipboard.
    void LoadFormat(TMemoryStreamEx& stream);

private:
    HWND Window() const;
};
