// Stashwell: keeps the contents of the clipboard.
#include "app/Program.h"
#include "toolkit/Forms.h"

int main() {
    tk::TApplication application;
    return RunProgram(application);
}
