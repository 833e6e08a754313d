#include "traymenu/TrayIconMenu.h"

TTrayIconWindow::TTrayIconWindow(tk::TComponent* owner) : tk::TForm(owner) {
    SetFormBorderStyle(tk::TFormBorderStyle::bsNone);
    SetBounds(0, 0, 150, 160);
}

void TTrayIconWindow::PopupAt(int x, int y) { SetBounds(x, y, Width(), Height()); }
