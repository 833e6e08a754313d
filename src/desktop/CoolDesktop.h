// Registration with the shell: start at logon, and open ".cbd" files.
#pragma once

#include "toolkit/Classes.h"

#include <string>

enum class TRestartType { rwForced, rwLogOff, rwPowerOff, rwReboot, rwShutdown };

class TCoolDesktop : public tk::TComponent {
public:
    explicit TCoolDesktop(tk::TComponent* owner) : tk::TComponent(owner) {}

    // Kept as set; nothing reads it.
    TRestartType RestartType = TRestartType::rwShutdown;

    // The machine's Run (once: RunOnce) key gets the value `name`: the
    // program's path in quotation marks. "Failed to create key %s" or
    // "Failed to set data for '%s'" when the registry refuses.
    void AddToAutoRun(const std::string& name, const std::string& path, bool once);
    // Deletes that value; a missing key or value is no error.
    void RemoveFromAutoRun(const std::string& name, bool once);
    // The extension's key names its type key ("<extension without its dot>file"),
    // that key names the program, and its open command runs the program with
    // the file: "<path>" "%1". The writes stop at the first that fails.
    void AssociateFileType(const std::string& extension, const std::string& name,
                           const std::string& path);

    // The path in quotation marks (a path that has them is left alone), so
    // that the shell reads a path with blanks as one name.
    static std::string Quoted(const std::string& path);
};
