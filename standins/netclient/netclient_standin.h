// NetClient.dll stand-in: simulates one orvel camera behind the vendor library's ordinals.
// It is a stand-in and nothing shipped depends on it. Besides the vendor's ordinals it
// exports, also by ordinal only, the controls below for tests; every call of a vendor
// ordinal is logged with its arguments, one line each, in order.
//
// Switches (NCS_SetSwitch, or the environment variable NETCLIENT_STANDIN as
// "name=value,name=value" read when the library loads):
//   configure    result of ordinal 3 (default 1; 0 makes its caller refuse to load)
//   unreachable  1: connects (5) give -1, stream information (41) and motion calls 0
//   size_code    stream size code reported by 41 and the frames' size (default 1: 352x288)
//   fps          frames per second through the frame callback (default 25)
// NETCLIENT_STANDIN_LOG names a file that every log line is appended to as well.
#pragma once

#include <cstddef>

#include "NetClient.h"

extern "C" {
// 1001: copies the log (lines ending in '\n') and a terminator into buffer; the log's length.
int NETCLIENT_CALL NCS_GetLog(char* buffer, int size);
// 1002
void NETCLIENT_CALL NCS_ClearLog();
// 1003: 1 for a known switch, else 0.
int NETCLIENT_CALL NCS_SetSwitch(const char* name, int value);
// 1004: the connection's event callback gets (handle, event, value, user) on the
// connection's thread; 0 for an unknown handle.
int NETCLIENT_CALL NCS_RaiseEvent(long handle, int event, int value);
// 1005: the connection record of the last connect (sizeof(NETCLIENT_CONNECT_INFO) bytes as
// passed) and the three 40-byte text blocks it pointed to; the record's size, 0 if none.
int NETCLIENT_CALL NCS_LastConnectInfo(unsigned char* record, int recordSize, char* texts, int textsSize);
// 1006: frames delivered through the connection's frame callback; -1 for an unknown handle.
int NETCLIENT_CALL NCS_FrameCount(long handle);
}

typedef int(NETCLIENT_CALL* NCS_GetLogProc)(char*, int);
typedef void(NETCLIENT_CALL* NCS_ClearLogProc)();
typedef int(NETCLIENT_CALL* NCS_SetSwitchProc)(const char*, int);
typedef int(NETCLIENT_CALL* NCS_RaiseEventProc)(long, int, int);
typedef int(NETCLIENT_CALL* NCS_LastConnectInfoProc)(unsigned char*, int, char*, int);
typedef int(NETCLIENT_CALL* NCS_FrameCountProc)(long);
