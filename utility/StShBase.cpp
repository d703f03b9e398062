// The base of the shell components; everything it has lives in its header.
#include "StShBase.h"
