#include "toolkit/SysUtils.h"
#include "platform/win32.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace tk {

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (n > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<std::size_t>(n));
    }
    va_end(args);
    return text;
}

std::string IntToStr(long long value) {
    return std::to_string(value);
}

int MulDivRound(int a, int b, int c) {
    long long product = static_cast<long long>(a) * b;
    long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

bool TryStrToInt(const std::string& text, std::int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        return false;
    long long result = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        result = result * 10 + (text[i] - '0');
        if (result > 2147483648LL)
            return false;
    }
    if (negative)
        result = -result;
    if (result > 2147483647LL)
        return false;
    value = static_cast<std::int32_t>(result);
    return true;
}

std::int32_t StrToInt(const std::string& text) {
    std::int32_t value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError(Format("'%s' is not a valid integer value", text.c_str()));
    return value;
}

std::int32_t StrToIntDef(const std::string& text, std::int32_t fallback) {
    std::int32_t value = 0;
    return TryStrToInt(text, value) ? value : fallback;
}

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool SameText(const std::string& a, const std::string& b) {
    return LowerCase(a) == LowerCase(b);
}

std::string TrimBlanks(const std::string& text) {
    auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

namespace {

std::size_t lastSeparator(const std::string& fileName) {
    return fileName.find_last_of("\\/:");
}

} // namespace

std::string ExtractFilePath(const std::string& fileName) {
    auto pos = lastSeparator(fileName);
    return pos == std::string::npos ? std::string() : fileName.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& fileName) {
    auto pos = lastSeparator(fileName);
    return pos == std::string::npos ? fileName : fileName.substr(pos + 1);
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
    auto dot = fileName.find_last_of('.');
    auto sep = lastSeparator(fileName);
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep))
        return fileName + extension;
    return fileName.substr(0, dot) + extension;
}

std::string ExpandFileName(const std::string& fileName) {
    char buffer[MAX_PATH * 4] = {};
    DWORD n = GetFullPathNameA(fileName.c_str(), sizeof buffer, buffer, nullptr);
    if (n == 0 || n >= sizeof buffer)
        return fileName;
    return std::string(buffer, n);
}

bool FileExists(const std::string& fileName) {
    DWORD attributes = GetFileAttributesA(fileName.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

std::vector<std::string> commandLineArguments() {
    std::vector<std::string> arguments;
    const char* p = GetCommandLineA();
    while (p && *p) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (!*p)
            break;
        std::string argument;
        bool quoted = false;
        for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p) {
            if (*p == '"')
                quoted = !quoted;
            else
                argument += *p;
        }
        arguments.push_back(argument);
    }
    return arguments;
}

} // namespace

int ParamCount() {
    auto arguments = commandLineArguments();
    return arguments.empty() ? 0 : static_cast<int>(arguments.size()) - 1;
}

std::string ParamStr(int index) {
    if (index == 0)
        return ModuleFileName();
    auto arguments = commandLineArguments();
    return index > 0 && static_cast<std::size_t>(index) < arguments.size()
               ? arguments[static_cast<std::size_t>(index)]
               : std::string();
}

std::string ModuleFileName() {
    char buffer[MAX_PATH * 4] = {};
    DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return std::string(buffer, n);
}

std::string SysErrorMessage(unsigned long code) {
    char buffer[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(code), 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.pop_back();
    return text;
}

std::string LoadStr(unsigned id) {
    char buffer[1024] = {};
    int n = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

} // namespace tk
