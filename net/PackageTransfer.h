#pragma once

#include "memory/Dictionary.h"
#include "memory/MemoryPH.h"
#include "text/MStringEx.h"

#include <windows.h>

// A response header by name; the value holds the header's UTF-16 text, possibly followed by one
// NUL character.
using ResponseHeader = Pair<MStringEx<wchar_t>, MemoryPH<unsigned char, 0>>;
using ResponseHeaders = Dictionary<MStringEx<wchar_t>, MemoryPH<unsigned char, 0>>;

// Fetches the package at address with one GET that carries headerBlock and the agent, and
// writes the body from the file's current position on. After every read, including the final
// empty one, progressMessage is sent to progressWindow with the addresses of the announced total
// (0 when unknown) and of the bytes received. A signalled cancelEvent stops the transfer before
// the next read. On return responseHeaders holds exactly those of the headers it names that the
// response carried.
//
// A signalled cancelEvent also ends a wait for the server at once.
//
// True when the whole body was written: a body that ends before the length the server announced
// is a failure, and so is a final status other than success (2xx), whose body is not written. A
// server that stays silent longer than serverSilenceLimit fails the transfer: the response
// headers must arrive within that time of the request's start, and each next byte of the body
// within that time of the one before. Never throws; the file stays open where the last write
// left it.
bool TransferPackage(MStringEx<wchar_t> address, const MStringEx<wchar_t>& headerBlock,
                     const MStringEx<wchar_t>& agent, HANDLE packageFile, HWND progressWindow,
                     UINT progressMessage, HANDLE cancelEvent, ResponseHeaders& responseHeaders);

// Milliseconds.
constexpr DWORD serverSilenceLimit = 30000;

// TransferPackage with another limit of the server's silence.
bool TransferPackageWithin(DWORD silenceLimit, MStringEx<wchar_t> address,
                           const MStringEx<wchar_t>& headerBlock, const MStringEx<wchar_t>& agent,
                           HANDLE packageFile, HWND progressWindow, UINT progressMessage,
                           HANDLE cancelEvent, ResponseHeaders& responseHeaders);
