// Message boxes: logged and answered by the test's script.
#include "platform/sim/simulator.h"
#include "platform/sim/script.h"
#include "platform/sim/state.h"

using namespace sim::detail;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    auto guard = lock();
    auto& s = state();
    int answer;
    if (auto scripted = nextMessageBoxAnswer()) {
        answer = *scripted;
    } else {
        switch (type & 0xF) {
        case MB_YESNO:
        case MB_YESNOCANCEL:
            answer = IDYES;
            break;
        default:
            answer = IDOK;
        }
    }
    s.messageBoxes.emplace_back(owner, text ? text : "", caption ? caption : "", type, answer);
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
