#pragma once

#include <cstddef>
#include <string>

// Text for people from bytes that anyone may have chosen: a device's answers,
// records of the history file, a child's events. One rule for a byte that
// must not reach a terminal as it is, shared by the trace and every table.

// The UTF-8 sequence at text[i], its length; 0 when broken (overlong forms,
// surrogates and code points beyond U+10FFFF included).
size_t Utf8SequenceLength(const std::string& text, size_t i);

// text with each byte of a broken UTF-8 sequence replaced by U+FFFD: device
// texts can hold any bytes, the page and the metrics must be UTF-8.
std::string ValidUtf8(const std::string& text);

// One byte written visibly: "\r", "\n", "\t", "\0", "\\" escaped, any other
// as "\xNN" (printable ASCII is the caller's to keep).
void AppendVisibleByte(std::string& text, unsigned char c);
// Appends the bytes as VisibleBytes writes them.
void AppendVisibleBytes(std::string& text, const char* data, int length);
// The bytes as one line of text (the trace): printable ASCII as it is, every
// other byte as AppendVisibleByte writes it.
std::string VisibleBytes(const char* data, int length);

// Text as a person may see it on a terminal, in a table or a log: UTF-8 as
// it is, but each control character (C0, DEL, C1 U+0080..U+009F) written
// visibly as the trace writes its bytes, and each byte of a broken UTF-8
// sequence as U+FFFD. A device that answers "ESC ] 0 ; title BEL" can
// neither retitle the terminal nor clear it. JSON, the page and the metrics
// keep the exact text instead, escaped.
std::string VisibleText(const std::string& text);
