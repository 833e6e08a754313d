// The platform's file dialogs.
#pragma once

#include "toolkit/Classes.h"

#include <cstdint>
#include <string>

namespace tk {

using TOpenOptions = std::uint32_t;
constexpr TOpenOptions ofReadOnly = 1 << 0;
constexpr TOpenOptions ofOverwritePrompt = 1 << 1;
constexpr TOpenOptions ofHideReadOnly = 1 << 2;
constexpr TOpenOptions ofNoChangeDir = 1 << 3;
constexpr TOpenOptions ofPathMustExist = 1 << 4;
constexpr TOpenOptions ofFileMustExist = 1 << 5;
constexpr TOpenOptions ofEnableSizing = 1 << 6;

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}

    std::string DefaultExt;  // without the dot; added to a name typed without extension
    std::string Filter;      // "Description|*.ext|..." pairs
    std::string InitialDir;
    std::string FileName;    // the chosen file's full name after Execute
    std::string Title;
    TOpenOptions Options = ofHideReadOnly | ofEnableSizing;

    // Shows the dialog, owned by the active window; true when the user
    // chose a file (then in FileName).
    virtual bool Execute();

protected:
    bool Run(bool save);
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}
    bool Execute() override;
};

} // namespace tk
