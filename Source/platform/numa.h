// Binding of search threads to processor groups, on the Windows builds only.
#pragma once

#ifdef _WIN32
// Binds the calling thread, search thread index, to the processor group of
// its NUMA node and says so on standard output; index 0 also prints the
// counts. Leaves the thread where it is, silently, when the system cannot
// tell.
void BindThreadToNode(int index);
#else
inline void BindThreadToNode(int) {}
#endif
