// Simple MAPI as the simulator gives it: the message layouts of <mapi.h> and
// the entry that MAPI32.DLL exports (loaded at run time, simulator.h).
#pragma once

#include "platform/sim/include/wintypes.h"

using FLAGS = ULONG;
using LHANDLE = ULONG_PTR;
using LPLHANDLE = LHANDLE*;
using LPULONG = ULONG*;

struct MapiFileDesc {
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    LPSTR lpszPathName;
    LPSTR lpszFileName;
    LPVOID lpFileType;
};
using lpMapiFileDesc = MapiFileDesc*;

struct MapiRecipDesc {
    ULONG ulReserved;
    ULONG ulRecipClass;
    LPSTR lpszName;
    LPSTR lpszAddress;
    ULONG ulEIDSize;
    LPVOID lpEntryID;
};
using lpMapiRecipDesc = MapiRecipDesc*;

struct MapiMessage {
    ULONG ulReserved;
    LPSTR lpszSubject;
    LPSTR lpszNoteText;
    LPSTR lpszMessageType;
    LPSTR lpszDateReceived;
    LPSTR lpszConversationID;
    FLAGS flFlags;
    lpMapiRecipDesc lpOriginator;
    ULONG nRecipCount;
    lpMapiRecipDesc lpRecips;
    ULONG nFileCount;
    lpMapiFileDesc lpFiles;
};
using lpMapiMessage = MapiMessage*;

#define MAPI_ORIG 0
#define MAPI_TO 1
#define MAPI_CC 2
#define MAPI_BCC 3
#define MAPI_LOGON_UI 0x00000001
#define MAPI_NEW_SESSION 0x00000002
#define MAPI_DIALOG 0x00000008

#define SUCCESS_SUCCESS 0
#define MAPI_USER_ABORT 1
#define MAPI_E_USER_ABORT MAPI_USER_ABORT
#define MAPI_E_FAILURE 2
#define MAPI_E_LOGIN_FAILURE 3
#define MAPI_E_LOGON_FAILURE MAPI_E_LOGIN_FAILURE
#define MAPI_E_INSUFFICIENT_MEMORY 5

using MAPISENDMAIL = ULONG(LHANDLE lhSession, ULONG_PTR ulUIParam, lpMapiMessage lpMessage,
                           FLAGS flFlags, ULONG ulReserved);
using LPMAPISENDMAIL = MAPISENDMAIL*;
