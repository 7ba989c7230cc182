#include "pages/pageframe.h"

TPageHost* PageHost = nullptr;
