#include "app/Settings.h"
#include "string_ids.h"
#include "toolkit/Registry.h"
#include "toolkit/SysUtils.h"

using namespace tk;

namespace {

constexpr const char* section = "Options";

// Software\Stashwell, opened with full access and created when missing.
std::string settingsKey() {
    return "Software\\" + LoadStr(IDS_PROGRAM_NAME);
}

} // namespace

TSettings DefaultSettings() {
    TSettings settings;
    settings.CbdFileName = ChangeFileExt(ExtractFileName(ModuleFileName()), ".cbd");
    return settings;
}

// Each value falls back to what the record holds: the defaults, when the
// record comes from DefaultSettings. A value of a non-string type stops the
// loading there, with the values before it taken.
void LoadSettings(TSettings& s) {
    TRegIniFile ini(settingsKey());
    s.ProgPlaceToLive =
        static_cast<std::uint8_t>(ini.ReadInteger(section, "ProgPlaceToLive", s.ProgPlaceToLive));
    s.ProgLoadOnStart = ini.ReadBool(section, "ProgLoadOnStart", s.ProgLoadOnStart);
    s.ProgHotKey = ini.ReadString(section, "ProgHotKey", s.ProgHotKey);
    s.CbdLoadOnStart = ini.ReadBool(section, "CbdLoadOnStart", s.CbdLoadOnStart);
    s.CbdSaveOnExit = ini.ReadBool(section, "CbdSaveOnExit", s.CbdSaveOnExit);
    s.CbdSaveOnReboot = ini.ReadBool(section, "CbdSaveOnReboot", s.CbdSaveOnReboot);
    s.CbdSaveOnTime = ini.ReadBool(section, "CbdSaveOnTime", s.CbdSaveOnTime);
    s.CbdSaveInterval = ini.ReadInteger(section, "CbdSaveInterval", s.CbdSaveInterval);
    s.CbdFileName = ini.ReadString(section, "CbdFileName", s.CbdFileName);
}

void StoreSettings(const TSettings& s) {
    TRegIniFile ini(settingsKey());
    ini.WriteInteger(section, "ProgPlaceToLive", s.ProgPlaceToLive);
    ini.WriteBool(section, "ProgLoadOnStart", s.ProgLoadOnStart);
    ini.WriteString(section, "ProgHotKey", s.ProgHotKey);
    ini.WriteBool(section, "CbdLoadOnStart", s.CbdLoadOnStart);
    ini.WriteBool(section, "CbdSaveOnExit", s.CbdSaveOnExit);
    ini.WriteBool(section, "CbdSaveOnReboot", s.CbdSaveOnReboot);
    ini.WriteBool(section, "CbdSaveOnTime", s.CbdSaveOnTime);
    ini.WriteInteger(section, "CbdSaveInterval", s.CbdSaveInterval);
    ini.WriteString(section, "CbdFileName", s.CbdFileName);
}
