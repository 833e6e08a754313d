// Simple MAPI as Send uses it: whether the mail program offers it (decided
// at the first send and kept), MAPI32.DLL and its MAPISendMail entry (looked
// up at the first send and kept until the program ends). Each program
// instance has one, held by its main window.
#pragma once

#include "platform/win32.h"
#include "toolkit/Handles.h"

#include <string>

class TSimpleMapi {
public:
    TSimpleMapi() = default;
    ~TSimpleMapi();
    TSimpleMapi(const TSimpleMapi&) = delete;
    TSimpleMapi& operator=(const TSimpleMapi&) = delete;

    // Whether Simple MAPI is installed: on versions above 3.51 the machine's
    // "Windows Messaging Subsystem" key has MAPI = "1", on older ones the
    // profile's [Mail] MAPI is a number other than 0.
    static bool Installed();

    // Opens the mail program's compose window with a new message whose body
    // is `noteText`, and nothing else (no subject, recipient or file). The
    // mail program's result: 0 when the message went; 1 when Simple MAPI is
    // missing.
    ULONG SendNote(const std::string& noteText);

    // Lets the library go; the next send decides afresh.
    void Unload();

private:
    int installed_ = -1; // not yet decided
    tk::TLibrary library_;
    LPMAPISENDMAIL sendMail_ = nullptr;
};
