#include "channels/tcpchanel.h"
