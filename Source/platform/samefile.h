// Platform seam of the tools: whether two names lead to one file, whatever
// the spelling of the paths or the links between them. One implementation
// per platform.
#pragma once

// True when a and b both name an existing file and it is the same file
// (device and inode, or volume and file index). False when either does not
// exist or cannot be examined; prints nothing.
bool SameFile(const char* a, const char* b);
