#include "app/Program.h"
#include "app/UnitAbout.h"
#include "app/UnitMain.h"
#include "app/UnitOptions.h"
#include "gif/GifPicture.h"
#include "string_ids.h"
#include "traymenu/TrayIconMenu.h"
#include "version.h"

#include <cstdio>

namespace {

// An error that ends the program before or outside its message loop: shown
// in the error box when the application window exists, otherwise (no window
// could be made) written to standard error under the program's name.
void ReportFatalError(tk::TApplication& application, const std::exception& error) {
    if (application.Handle()) {
        application.ShowException(error);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", tk::LoadStr(IDS_PROGRAM_NAME).c_str(), error.what());
    std::fflush(stderr);
}

} // namespace

TMainForm* StartProgram(tk::TApplication& application) {
    application.Initialize();
    // The viewer shows a "GIF Image" on the clipboard like any other picture.
    RegisterGIFImageFormat();
    application.SetTitle("Stashwell v. " STASHWELL_VERSION_TEXT);
    application.Icon().LoadFromResourceName(GetModuleHandleA(nullptr), "MAINICON");
    auto* main = application.CreateForm<TMainForm>();
    main->OptionsForm = application.CreateForm<TOptionsForm>();
    main->TrayIconWindow = application.CreateForm<TTrayIconWindow>(main->TrayMenuSources());
    main->AboutForm = application.CreateForm<TAboutForm>();
    main->ApplyPlacement();
    main->RegisterWithDesktop();
    return main;
}

int RunProgram(tk::TApplication& application) {
    try {
        StartProgram(application);
        application.Run();
        return 0;
    } catch (const std::exception& error) {
        ReportFatalError(application, error);
    } catch (...) {
        ReportFatalError(application, tk::Exception("Unknown error"));
    }
    return 1;
}
