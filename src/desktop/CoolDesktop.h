// Registration for start-up and for ".cbd" files. (Stand-in: records the
// requests; the registry entries come with the desktop integration.)
#pragma once

#include "toolkit/Classes.h"

#include <string>

class TCoolDesktop : public tk::TComponent {
public:
    explicit TCoolDesktop(tk::TComponent* owner) : tk::TComponent(owner) {}

    void AddToAutoRun(const std::string& name, const std::string& path, bool once);
    void RemoveFromAutoRun(const std::string& name, bool once);
    void AssociateFileType(const std::string& extension, const std::string& name,
                           const std::string& path);
};
