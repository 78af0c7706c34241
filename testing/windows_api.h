// The Windows API for test support and tests, included in one way only:
// Winsock 2 before windows.h, and without the parts of windows.h whose macros
// rename the program's own names (winspool.h turns SetPort into SetPortA,
// which breaks TZConnection::SetPort; min and max). Off Windows it is empty.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#endif
