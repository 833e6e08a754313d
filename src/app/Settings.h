// The program's nine settings and their place in the registry.
#pragma once

#include <cstdint>
#include <string>

struct TSettings {
    std::uint8_t ProgPlaceToLive = 0; // 0 task bar, 1 tray only, 2 both, 3 hidden
    bool ProgLoadOnStart = true;
    std::string ProgHotKey = "Alt+Ctrl+C";
    bool CbdLoadOnStart = true;
    bool CbdSaveOnExit = true;
    bool CbdSaveOnReboot = true;
    bool CbdSaveOnTime = true;
    std::int32_t CbdSaveInterval = 60;
    std::string CbdFileName; // the running executable's name with ".cbd"
};

// The defaults, the autosave file named after the running executable.
TSettings DefaultSettings();
// Fills the record from HKEY_CURRENT_USER\Software\Stashwell\Options.
void LoadSettings(TSettings& settings);
// Writes all nine values there, each as a string value.
void StoreSettings(const TSettings& settings);
