// The tray popup menu window. (Stand-in: a form that can be placed; its
// items come with the tray popup menu.)
#pragma once

#include "toolkit/Forms.h"

class TTrayIconWindow : public tk::TForm {
public:
    explicit TTrayIconWindow(tk::TComponent* owner);
    // Shows the window with its top-left corner at (x, y).
    void PopupAt(int x, int y);

protected:
    std::string FormClassName() const override { return "TTrayIconWindow"; }
};
