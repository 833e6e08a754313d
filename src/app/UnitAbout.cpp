#include "app/UnitAbout.h"

#include <memory>

using namespace tk;

TAboutForm::TAboutForm(TComponent* owner) : TForm(owner) {
    SetCaption("About Application");
    SetFormBorderStyle(TFormBorderStyle::bsDialog);
    BorderIcons = biSystemMenu;
    Position = TPosition::poScreenCenter;
    Font().SetName("MS Sans Serif");
    Font().SetHeight(-11);
    SetClientSize(251, 93);

    imgIcon = new TImage(this);
    imgIcon->SetBounds(10, 18, 32, 32);
    imgIcon->SetParent(this);
    lblApp = new TLabel(this);
    lblApp->SetCaption("Application");
    lblApp->SetTransparent(true);
    lblApp->SetBounds(61, 17, lblApp->Width(), lblApp->Height());
    lblApp->SetParent(this);
    cmdOK = new TButton(this);
    cmdOK->SetCaption("OK");
    cmdOK->SetBounds(158, 64, 75, 23);
    cmdOK->SetDefault(true);
    cmdOK->Cancel = true;
    cmdOK->ModalResult = mrOk;
    cmdOK->SetParent(this);
    ActiveControl = cmdOK;

    OnShow = [this](TComponent* sender) {
        FormShow(sender);
    };
}

void TAboutForm::FormShow(TComponent*) {
    TApplication& application = ApplicationOf(this);
    auto icon = std::make_unique<TIcon>();
    icon->Assign(application.Icon());
    imgIcon->Picture().SetGraphic(std::move(icon));
    imgIcon->Invalidate();
    SetCaption("About " + application.Title());
    lblApp->SetCaption(application.Title());
}
