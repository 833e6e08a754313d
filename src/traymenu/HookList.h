// The menu windows of one application, and the message hook of its thread
// through which open popups hear of input elsewhere: a click outside, a
// system key, the program losing activation.
#pragma once

#include "toolkit/Application.h"
#include "toolkit/Classes.h"
#include "toolkit/Handles.h"

#include <vector>

class TCoolWindow;
class TCoolWindowPopup;

// One per application: made by its first menu window, freed with its last.
// Each list hooks the thread's retrieved messages (WH_GETMESSAGE); a message
// goes to the list of the application its window belongs to, once, however
// many lists share the thread.
class THookList : public tk::TComponent {
public:
    // The application's list, made for its first window; the window joins
    // it. Null when the window belongs to no application.
    static THookList* Join(TCoolWindow* window);
    // The window leaves; the list goes with its last window.
    void Leave(TCoolWindow* window);
    // The list of an application, null when it has none.
    static THookList* Of(const tk::TApplication& application);
    ~THookList() override;

    const std::vector<TCoolWindow*>& Windows() const { return windows_; }
    bool Contains(const TCoolWindow* window) const;
    // The top of the chain of open popups.
    TCoolWindowPopup* ActivePopup = nullptr;
    // Every retrieved message is swallowed while set (nothing here sets it).
    bool SwallowAll = false;
    // Items marked hidden show while set; cleared when a top-level popup closes.
    bool ShowHidden = false;

    // The close-all message to every window of the list: the open popups
    // close, the top of the chain first.
    void DispatchCloseAll();
    // Hands a retrieved message to the windows, the active popup first;
    // true when it was handled and is to be swallowed.
    bool Process(MSG& msg);

private:
    explicit THookList(tk::TApplication& application);
    static LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam);
    static THookList* ForMessage(const MSG& msg);

    std::vector<TCoolWindow*> windows_;
    tk::THookHandle hook_;
    const MSG* handling_ = nullptr; // the message being handled, so that it is handled once
    int busy_ = 0;                  // hook calls under way; the list waits for them to go
};
