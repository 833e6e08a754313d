// Exceptions and small text, file-name and conversion helpers.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tk {

// Every failure of the program is an Exception carrying its message text.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

#define TK_EXCEPTION(Name, Base)                                                                   \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
    }
TK_EXCEPTION(EStreamError, Exception);
TK_EXCEPTION(EReadError, EStreamError);
TK_EXCEPTION(EWriteError, EStreamError);
TK_EXCEPTION(EFCreateError, EStreamError);
TK_EXCEPTION(EFOpenError, EStreamError);
TK_EXCEPTION(EOutOfMemory, Exception);
TK_EXCEPTION(EConvertError, Exception);
TK_EXCEPTION(EClipboardException, Exception);
TK_EXCEPTION(EInvalidCast, Exception);
#undef TK_EXCEPTION

// printf-style formatting into a std::string.
[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...);

std::string IntToStr(long long value);
// a * b / c rounded to the nearest whole number, halves away from zero.
int MulDivRound(int a, int b, int c);
// Whole decimal numbers only (optional sign, no blanks); EConvertError otherwise.
std::int32_t StrToInt(const std::string& text);
bool TryStrToInt(const std::string& text, std::int32_t& value);
std::int32_t StrToIntDef(const std::string& text, std::int32_t fallback);
std::string UpperCase(std::string text);
std::string LowerCase(std::string text);
bool SameText(const std::string& a, const std::string& b);
// The text without the blanks and tabs at either end.
std::string TrimBlanks(const std::string& text);

// File names: the folder part keeps its trailing separator ("\" or "/").
std::string ExtractFilePath(const std::string& fileName);
std::string ExtractFileName(const std::string& fileName);
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
std::string ExpandFileName(const std::string& fileName);
bool FileExists(const std::string& fileName);

// The program's command-line arguments: ParamStr(0) is the program, then
// blank-separated arguments, double quotes grouping (and removed).
int ParamCount();
std::string ParamStr(int index);
// The running executable's full path.
std::string ModuleFileName();

// The platform's text for a system error code, without the trailing line break.
std::string SysErrorMessage(unsigned long code);
// A text of the program's string table.
std::string LoadStr(unsigned id);

} // namespace tk
