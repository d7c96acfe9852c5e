#include "search/searchdata.h"

SearchRecord SearchData;
double start = 0.0;
