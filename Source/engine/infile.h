// The text files the tools and the console read: one way to open them, so
// that every reader skips a byte-order mark and no reader takes a directory
// or an unreadable file for an empty one.
#pragma once
#include <cstdio>

enum class InputFault { None, Missing, Unreadable };

// Opens the text file for reading, past a UTF-8 byte-order mark at its
// start. Null when it cannot be opened (fault Missing) or opens but cannot be
// read, as a directory (fault Unreadable); prints nothing.
FILE* OpenTextInput(const char* name, InputFault* fault = nullptr);

// The same, saying in one line what it cannot read: "can't open <name>" or
// "can't read <name>", the name whole.
FILE* OpenInput(const char* name);
