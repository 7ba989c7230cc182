#include "channels/moxaport.h"
