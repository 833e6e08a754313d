#include "toolkit/Dialogs.h"

#include <vector>

namespace tk {

namespace {

// "a|b|c|d" becomes "a\0b\0c\0d\0\0", the pairs the platform's dialog reads.
std::string platformFilter(const std::string& filter) {
    std::string pairs = filter;
    for (char& c : pairs)
        if (c == '|')
            c = '\0';
    pairs.push_back('\0');
    pairs.push_back('\0');
    return pairs;
}

DWORD platformFlags(TOpenOptions options) {
    DWORD flags = OFN_EXPLORER;
    if (options & ofReadOnly)
        flags |= OFN_READONLY;
    if (options & ofOverwritePrompt)
        flags |= OFN_OVERWRITEPROMPT;
    if (options & ofHideReadOnly)
        flags |= OFN_HIDEREADONLY;
    if (options & ofNoChangeDir)
        flags |= OFN_NOCHANGEDIR;
    if (options & ofPathMustExist)
        flags |= OFN_PATHMUSTEXIST;
    if (options & ofFileMustExist)
        flags |= OFN_FILEMUSTEXIST;
    if (options & ofEnableSizing)
        flags |= OFN_ENABLESIZING;
    return flags;
}

} // namespace

bool TOpenDialog::Run(bool save) {
    // Room for the longest name the platform's dialog gives back.
    std::vector<char> file(4096, '\0');
    FileName.copy(file.data(), file.size() - 1);
    std::string filter = platformFilter(Filter);

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
    ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    ofn.Flags = platformFlags(Options);
    ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();

    BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!chosen)
        return false;
    FileName = file.data();
    return true;
}

bool TOpenDialog::Execute() {
    return Run(false);
}
bool TSaveDialog::Execute() {
    return Run(true);
}

} // namespace tk
