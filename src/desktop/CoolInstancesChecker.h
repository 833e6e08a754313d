// The single-instance rule. (Stand-in: every start runs on; the check comes
// with the desktop integration.)
#pragma once

#include "toolkit/Classes.h"

enum class TInstanceAction { iaNone, iaSwitchToPrevious };

class TCoolInstancesChecker : public tk::TComponent {
public:
    explicit TCoolInstancesChecker(tk::TComponent* owner) : tk::TComponent(owner) {}
    TInstanceAction InstanceAction = TInstanceAction::iaSwitchToPrevious;
};
