#include "desktop/CoolDesktop.h"
#include "toolkit/Registry.h"

using namespace tk;

namespace {

const char* const runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const runOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// Creates the key when missing (a refusal raises), then writes the value when
// the key opens with full access; a key that does not open is left alone.
void WriteValue(HKEY root, const std::string& key, const std::string& name,
                const std::string& data) {
    TRegistry registry(KEY_ALL_ACCESS);
    registry.SetRootKey(root);
    registry.CreateKey(key);
    if (!registry.OpenKey(key, false))
        return;
    registry.WriteString(name, data);
    registry.CloseKey();
}

} // namespace

std::string TCoolDesktop::Quoted(const std::string& path) {
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        return path;
    return "\"" + path + "\"";
}

void TCoolDesktop::AddToAutoRun(const std::string& name, const std::string& path, bool once) {
    WriteValue(HKEY_LOCAL_MACHINE, once ? runOnceKey : runKey, name, Quoted(path));
}

void TCoolDesktop::RemoveFromAutoRun(const std::string& name, bool once) {
    TRegistry registry(KEY_ALL_ACCESS);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey(once ? runOnceKey : runKey, false))
        return;
    registry.DeleteValue(name); // a missing value is no error
    registry.CloseKey();
}

void TCoolDesktop::AssociateFileType(const std::string& extension, const std::string& name,
                                     const std::string& path) {
    const std::string typeKey = extension.substr(extension.empty() ? 0 : 1) + "file";
    WriteValue(HKEY_CLASSES_ROOT, extension, "", typeKey);
    WriteValue(HKEY_CLASSES_ROOT, typeKey, "", name);
    WriteValue(HKEY_CLASSES_ROOT, typeKey + "\\Shell\\Open\\Command", "", Quoted(path) + " \"%1\"");
}
