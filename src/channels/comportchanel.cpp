#include "channels/comportchanel.h"
