/* The checks of header_check.c, compiled as C++. */
#include "header_check.c"
