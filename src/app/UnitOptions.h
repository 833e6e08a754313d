// The Preferences dialog: two pages of controls for the nine settings, OK
// and Cancel. The main window fills it from the settings and takes the
// values back after OK.
#pragma once

#include "toolkit/ComCtrls.h"
#include "toolkit/Dialogs.h"
#include "toolkit/EditBtn.h"
#include "toolkit/Forms.h"
#include "toolkit/ImgList.h"
#include "toolkit/StdCtrls.h"

class TOptionsForm : public tk::TForm {
public:
    explicit TOptionsForm(tk::TComponent* owner);

    tk::TButton* OKBtn;
    tk::TButton* CancelBtn;
    tk::TImageList* TabImages;
    tk::TPageControl* PageControl;
    tk::TTabSheet* ProgTab;
    tk::TRadioGroup* ProgramPlaceGroup;
    tk::TLabel* HotKeyLabel;
    tk::THotKey* HotKeyEdit;
    tk::TCheckBox* ProgLoadOnStartBox;
    tk::TTabSheet* CbdTab;
    tk::TGroupBox* CbdGroup;
    tk::TCheckBox* CbdLoadOnStartBox;
    tk::TCheckBox* CbdSaveOnCloseBox;
    tk::TCheckBox* CbdSaveOnRebootBox;
    tk::TCheckBox* CbdSaveOnTimeBox;
    tk::TLabel* SaveIntervalLabel;
    tk::TEdit* SaveIntervalEdit;
    tk::TLabel* SaveFileLabel;
    tk::TCoolEditBtn* SaveFileEdit;
    tk::TSaveDialog* SaveDialog;

    void FormCreate(tk::TComponent* sender);
    void FormActivate(tk::TComponent* sender);
    // Digits and Backspace only, and nothing more once the field holds a
    // number above 3600.
    void SaveIntervalEditKeyPress(tk::TComponent* sender, char& key);
    // Chooses the autosave file; only its name is kept.
    void SaveFileEditBtnClick(tk::TComponent* sender);

protected:
    std::string FormClassName() const override { return "TOptionsForm"; }

private:
    bool browsing_ = false;
};
