#pragma once

// What the Windows adapters of the tool share (included only by _win.cpp
// files): UTF-8 text as the wide APIs take it, and the byte-range locks of
// LockFileEx that the device lock and the shared appends use.

#include <windows.h>

#include <string>

// UTF-8 to UTF-16 and back: the one conversion of the tool's text. Bytes
// that are not UTF-8 (and lone surrogates) become U+FFFD; neither throws.
std::wstring Wide(const std::string& text);
std::string Narrow(const wchar_t* text, size_t length);
std::string Narrow(const std::wstring& text);

// An exclusive lock of length bytes from offset of file. With wait false it
// fails at once when another handle holds any of them.
bool LockFileRange(HANDLE file, unsigned long long offset, unsigned long long length, bool wait);
void UnlockFileRange(HANDLE file, unsigned long long offset, unsigned long long length);

// Every byte a file may ever have.
constexpr unsigned long long kWholeFile = ~0ULL;
