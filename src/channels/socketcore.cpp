#include "channels/socketcore.h"
