// The file dialogs: every call is logged and answered from the test's script
// as the platform's dialog would answer the user's choice.
#include "platform/sim/include/comdlg32.h"
#include "platform/sim/simulator.h"
#include "platform/sim/script.h"
#include "platform/sim/state.h"

#include <cstring>
#include <optional>

using namespace sim::detail;

namespace {

struct Dialogs {
    std::vector<sim::FileDialogRecord> log;
    DWORD lastError = 0;
};

Dialogs& dialogs() {
    static Dialogs* instance = new Dialogs;
    return *instance;
}

// The pairs of a filter: NUL-separated, closed by two NULs.
std::string filterText(LPCSTR filter) {
    std::string text;
    if (!filter)
        return text;
    for (const char* p = filter; *p; p += std::strlen(p) + 1)
        text += (text.empty() ? "" : "|") + std::string(p);
    return text;
}

bool fullName(const std::string& name) {
    return (!name.empty() && (name[0] == '/' || name[0] == '\\')) ||
           (name.size() > 1 && name[1] == ':');
}

std::size_t nameStart(const std::string& path) {
    auto separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? 0 : separator + 1;
}

// What the dialog gives back for what the user typed or picked.
std::string complete(const std::string& chosen, const OPENFILENAMEA& ofn) {
    std::string name = chosen;
    if (!fullName(name) && ofn.lpstrInitialDir && *ofn.lpstrInitialDir) {
        std::string folder = ofn.lpstrInitialDir;
        if (folder.back() != '\\' && folder.back() != '/')
            folder += folder.find('/') != std::string::npos ? '/' : '\\';
        name = folder + name;
    }
    if (ofn.lpstrDefExt && *ofn.lpstrDefExt && name.find('.', nameStart(name)) == std::string::npos)
        name += std::string(".") + ofn.lpstrDefExt;
    return name;
}

// While the dialog is up it is the active window and its owner is disabled;
// when it closes, the owner is enabled and active again.
class DialogWindow {
public:
    DialogWindow(HWND owner, bool save) : owner_(owner && IsWindow(owner) ? owner : nullptr) {
        if (!owner_)
            return;
        EnableWindow(owner_, FALSE);
        box_ = CreateWindowExA(WS_EX_DLGMODALFRAME, "STATIC", save ? "Save As" : "Open",
                               WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 563, 419, owner_, nullptr,
                               nullptr, nullptr);
        if (box_)
            ShowWindow(box_, SW_SHOWNORMAL);
    }
    ~DialogWindow() {
        if (!owner_)
            return;
        EnableWindow(owner_, TRUE);
        if (box_) {
            ShowWindow(box_, SW_HIDE);
            DestroyWindow(box_);
        }
    }
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

private:
    HWND owner_;
    HWND box_ = nullptr;
};

BOOL answer(LPOPENFILENAMEA ofn, bool save) {
    auto guard = lock();
    auto& d = dialogs();
    d.lastError = 0;
    if (!ofn || ofn->lStructSize < offsetof(OPENFILENAMEA, pvReserved)) {
        d.lastError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    sim::FileDialogRecord record;
    record.save = save;
    record.owner = ofn->hwndOwner;
    record.title = ofn->lpstrTitle ? ofn->lpstrTitle : "";
    record.filter = filterText(ofn->lpstrFilter);
    record.filterIndex = ofn->nFilterIndex;
    record.defaultExt = ofn->lpstrDefExt ? ofn->lpstrDefExt : "";
    record.initialDir = ofn->lpstrInitialDir ? ofn->lpstrInitialDir : "";
    if (ofn->lpstrFile && ofn->nMaxFile)
        record.initialFile.assign(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile));
    record.flags = ofn->Flags;
    std::optional<std::string> answer = nextFileDialogAnswer().value_or(std::nullopt);
    if (!answer || answer->empty()) {
        d.log.push_back(record);
        return FALSE;
    }
    std::string name = complete(*answer, *ofn);
    if (!ofn->lpstrFile || ofn->nMaxFile <= name.size()) {
        // The buffer's first two bytes tell how much it would need.
        if (ofn->lpstrFile && ofn->nMaxFile >= 2) {
            auto needed = static_cast<WORD>(name.size() + 1);
            std::memcpy(ofn->lpstrFile, &needed, sizeof needed);
        }
        d.lastError = FNERR_BUFFERTOOSMALL;
        d.log.push_back(record);
        return FALSE;
    }
    std::memcpy(ofn->lpstrFile, name.c_str(), name.size() + 1);
    std::size_t start = nameStart(name);
    ofn->nFileOffset = static_cast<WORD>(start);
    auto dot = name.find_last_of('.');
    ofn->nFileExtension =
        static_cast<WORD>(dot == std::string::npos || dot < start ? name.size() : dot + 1);
    if (ofn->lpstrFileTitle && ofn->nMaxFileTitle) {
        std::string title = name.substr(start).substr(0, ofn->nMaxFileTitle - 1);
        std::memcpy(ofn->lpstrFileTitle, title.c_str(), title.size() + 1);
    }
    record.answer = name;
    d.log.push_back(record);
    return TRUE;
}

BOOL run(LPOPENFILENAMEA ofn, bool save) {
    DialogWindow window(ofn ? ofn->hwndOwner : nullptr, save);
    return answer(ofn, save);
}

} // namespace

BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn) {
    return run(ofn, false);
}
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn) {
    return run(ofn, true);
}

DWORD CommDlgExtendedError() {
    auto guard = lock();
    return dialogs().lastError;
}

namespace sim::detail {

void resetFileDialogs() {
    auto& d = dialogs();
    d.log.clear();
    d.lastError = 0;
}

} // namespace sim::detail

namespace sim {

std::vector<FileDialogRecord> FileDialogs() {
    auto guard = lock();
    return dialogs().log;
}

} // namespace sim
