// The About box: the program's icon and title, and OK.
#pragma once

#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

class TAboutForm : public tk::TForm {
public:
    explicit TAboutForm(tk::TComponent* owner);

    tk::TImage* imgIcon;
    tk::TLabel* lblApp;
    tk::TButton* cmdOK;

    // Each showing: the application's icon, "About " and the title, the title.
    void FormShow(tk::TComponent* sender);

protected:
    std::string FormClassName() const override { return "TAboutForm"; }
};
