// The pool of search threads.
#pragma once

int CreateThreadPool(int n);
int KillThreadPool(int n);
