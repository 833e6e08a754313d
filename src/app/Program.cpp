#include "app/Program.h"
#include "app/UnitAbout.h"
#include "app/UnitMain.h"
#include "app/UnitOptions.h"
#include "gif/GifPicture.h"
#include "traymenu/TrayIconMenu.h"

TMainForm* StartProgram(tk::TApplication& application) {
    application.Initialize();
    // The viewer shows a "GIF Image" on the clipboard like any other picture.
    RegisterGIFImageFormat();
    application.SetTitle("Stashwell v. 2.0.1");
    application.Icon().LoadFromResourceName(GetModuleHandleA(nullptr), "MAINICON");
    auto* main = application.CreateForm<TMainForm>();
    main->OptionsForm = application.CreateForm<TOptionsForm>();
    main->TrayIconWindow = application.CreateForm<TTrayIconWindow>();
    main->AboutForm = application.CreateForm<TAboutForm>();
    main->ApplyPlacement();
    main->RegisterWithDesktop();
    return main;
}

int RunProgram(tk::TApplication& application) {
    StartProgram(application);
    application.Run();
    return 0;
}
