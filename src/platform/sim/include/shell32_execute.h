// shell32's ShellExecuteExA as the simulator gives it: every call is logged
// for tests, and tests can make the shell refuse (simulator.h).
#pragma once

#include "platform/sim/include/wintypes.h"
#include "platform/sim/include/advapi32.h"

#define SEE_MASK_DEFAULT 0x00000000
#define SEE_MASK_CLASSNAME 0x00000001
#define SEE_MASK_CLASSKEY 0x00000003
#define SEE_MASK_NOCLOSEPROCESS 0x00000040
#define SEE_MASK_FLAG_DDEWAIT 0x00000100
#define SEE_MASK_FLAG_NO_UI 0x00000400

// The failures the shell reports in hInstApp (values up to 32).
#define SE_ERR_FNF 2
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31

#define ERROR_NO_ASSOCIATION 1155L

// The record as the platform lays it out: 60 bytes in a 32-bit program,
// 112 in a 64-bit one.
struct SHELLEXECUTEINFOA {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCSTR lpVerb;
    LPCSTR lpFile;
    LPCSTR lpParameters;
    LPCSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    void* lpIDList;
    LPCSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    union {
        HANDLE hIcon;
        HANDLE hMonitor;
    };
    HANDLE hProcess;
};
using LPSHELLEXECUTEINFOA = SHELLEXECUTEINFOA*;

BOOL ShellExecuteExA(LPSHELLEXECUTEINFOA info);
