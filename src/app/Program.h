// The program: what runs between start and end.
#pragma once

namespace tk {
class TApplication;
}
class TMainForm;

// Initialises the application, sets the title and creates the four windows
// in order, places the main window and registers with the desktop.
TMainForm* StartProgram(tk::TApplication& application);
// StartProgram, then the message loop until the program is told to end; 0
// then. An error that escapes them ends the program with 1, after it was
// shown in the error box, or on standard error when there is no window.
int RunProgram(tk::TApplication& application);
