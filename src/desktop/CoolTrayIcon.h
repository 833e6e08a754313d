// The notification-area icon. (Stand-in: keeps its state; the icon itself
// comes with the desktop integration.)
#pragma once

#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"

#include <functional>
#include <string>

class TCoolTrayIcon : public tk::TComponent {
public:
    explicit TCoolTrayIcon(tk::TComponent* owner) : tk::TComponent(owner) {}

    bool Active() const { return active_; }
    void SetActive(bool active) { active_ = active; }
    tk::TIcon Icon;
    std::string Hint;

    tk::TMouseEvent OnMouseUp;
    std::function<void(tk::TComponent* sender, tk::TMouseButton button)> OnDoubleClick;

private:
    bool active_ = false;
};
