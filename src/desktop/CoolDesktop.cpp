#include "desktop/CoolDesktop.h"

void TCoolDesktop::AddToAutoRun(const std::string&, const std::string&, bool) {}
void TCoolDesktop::RemoveFromAutoRun(const std::string&, bool) {}
void TCoolDesktop::AssociateFileType(const std::string&, const std::string&, const std::string&) {}
