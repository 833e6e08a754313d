#include "traymenu/HookList.h"
#include "traymenu/CoolWindowPopup.h"

#include <algorithm>

namespace {

// The application a window belongs to: through the toolkit object behind the
// window, else through its parent or owner (a message box is owned by a
// window of the program). Null for windows of no application.
tk::TApplication* ApplicationOfWindow(HWND hwnd) {
    for (int depth = 0; hwnd && depth < 64; ++depth) {
        if (auto* component = dynamic_cast<tk::TComponent*>(tk::TargetOf(hwnd)))
            return tk::FindApplication(component);
        hwnd = GetParent(hwnd);
    }
    return nullptr;
}

} // namespace

THookList::THookList(tk::TApplication& application) : tk::TComponent(&application) {
    hook_.Reset(SetWindowsHookExA(WH_GETMESSAGE, &THookList::GetMessageHook, nullptr,
                                  GetCurrentThreadId()));
}

THookList::~THookList() {
    // Freed with the application before its windows: they forget the list.
    for (TCoolWindow* window : windows_)
        window->hookList_ = nullptr;
    windows_.clear();
    ActivePopup = nullptr;
}

THookList* THookList::Of(const tk::TApplication& application) {
    for (tk::TComponent* c : application.Components())
        if (auto* list = dynamic_cast<THookList*>(c))
            return list;
    return nullptr;
}

THookList* THookList::Join(TCoolWindow* window) {
    tk::TApplication* application = tk::FindApplication(window);
    if (!application)
        return nullptr;
    THookList* list = Of(*application);
    if (!list)
        list = new THookList(*application);
    list->windows_.push_back(window);
    return list;
}

void THookList::Leave(TCoolWindow* window) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
    if (ActivePopup == window)
        ActivePopup = nullptr;
    if (windows_.empty() && busy_ == 0)
        tk::Free(this);
}

bool THookList::Contains(const TCoolWindow* window) const {
    return std::find(windows_.begin(), windows_.end(), window) != windows_.end();
}

void THookList::DispatchCloseAll() {
    ++busy_;
    // The chain from its top down, so that each popup closes while it is the
    // active one; then whatever else is open.
    for (int guard = 0; ActivePopup && guard < 64; ++guard) {
        TCoolWindowPopup* top = ActivePopup;
        top->CloseAll();
        if (ActivePopup == top) // it did not close: do not ask again
            break;
    }
    for (TCoolWindow* window : std::vector<TCoolWindow*>(windows_))
        if (Contains(window))
            window->CloseAll();
    --busy_;
    if (windows_.empty() && busy_ == 0)
        tk::Free(this);
}

bool THookList::Process(MSG& msg) {
    bool handled = false;
    // Handlers may open, close or free windows: the walk goes over a copy,
    // asking each window whether it is still a member.
    std::vector<TCoolWindow*> snapshot = windows_;
    TCoolWindowPopup* active = ActivePopup;
    if (active && Contains(active))
        active->ProcessHookedMessage(msg, handled);
    for (auto it = snapshot.rbegin(); it != snapshot.rend() && !handled; ++it)
        if (*it != active && Contains(*it))
            (*it)->ProcessHookedMessage(msg, handled);
    return handled || msg.message == CM_CLOSEALL || SwallowAll;
}

THookList* THookList::ForMessage(const MSG& msg) {
    tk::TApplication* application = ApplicationOfWindow(msg.hwnd);
    return application ? Of(*application) : nullptr;
}

LRESULT CALLBACK THookList::GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    // Only messages taken off the queue count: a message that is only looked
    // at comes again when it is taken, and taking it here could block.
    THookList* list = nullptr;
    if (code == HC_ACTION && msg && (wParam & PM_REMOVE))
        list = ForMessage(*msg);
    if (!list || list->handling_ == msg)
        return CallNextHookEx(nullptr, code, wParam, lParam);
    const MSG* outer = list->handling_;
    list->handling_ = msg;
    ++list->busy_;
    try {
        // A swallowed message becomes WM_NULL, which reaches nobody.
        if (list->Process(*msg))
            *msg = MSG{msg->hwnd, WM_NULL, 0, 0, msg->time, msg->pt};
    } catch (const std::exception& error) {
        tk::ReportException(list, error);
    }
    // Other lists of the thread (another program instance) hook the same
    // messages; this one's hand-over finds it busy with this message.
    LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
    list->handling_ = outer;
    if (--list->busy_ == 0 && list->windows_.empty())
        tk::Free(list);
    return result;
}
