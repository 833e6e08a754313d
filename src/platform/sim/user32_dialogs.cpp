// Message boxes: a dialog window of the platform's dialog class, modal to its
// owner while it is up, logged and answered by the test's script.
#include "platform/sim/simulator.h"
#include "platform/sim/script.h"
#include "platform/sim/state.h"
#include "platform/sim/include/user32_wm.h"

using namespace sim::detail;

namespace {

constexpr int boxWidth = 300;
constexpr int boxHeight = 120;

LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int defaultAnswer(UINT type) {
    switch (type & 0xF) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDYES;
    default:
        return IDOK;
    }
}

} // namespace

namespace sim::detail {

WNDPROC dialogClassProc() {
    return &DialogProc;
}

} // namespace sim::detail

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    // The box is owned by the owner's top-level window, which it disables
    // while it is up (when it was enabled), and it comes up active, in front.
    HWND root = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    HWND box = CreateWindowExA(WS_EX_DLGMODALFRAME, "#32770", caption ? caption : "",
                               WS_POPUP | WS_CAPTION | WS_SYSMENU, (1024 - boxWidth) / 2,
                               (768 - boxHeight) / 2, boxWidth, boxHeight, root, nullptr, nullptr,
                               nullptr);
    bool disabledOwner = root && IsWindowEnabled(root);
    if (disabledOwner)
        EnableWindow(root, FALSE);
    if (box)
        ShowWindow(box, SW_SHOWNORMAL);
    if (auto hook = messageBoxHook())
        hook(box);

    int answer = nextMessageBoxAnswer().value_or(defaultAnswer(type));
    {
        auto guard = lock();
        state().messageBoxes.emplace_back(owner, text ? text : "", caption ? caption : "", type,
                                          answer);
    }
    // The owner is enabled before the box goes, so that activation returns to it.
    if (disabledOwner && IsWindow(root))
        EnableWindow(root, TRUE);
    if (box)
        DestroyWindow(box);
    return answer;
}

namespace sim {

std::vector<MessageBoxRecord> MessageBoxes() {
    auto guard = lock();
    std::vector<MessageBoxRecord> boxes;
    for (auto& [owner, text, caption, type, answer] : state().messageBoxes)
        boxes.push_back(MessageBoxRecord{owner, text, caption, type, answer});
    return boxes;
}

void ClearMessageBoxes() {
    auto guard = lock();
    state().messageBoxes.clear();
}

} // namespace sim
