#include "net/trace.h"

NetTraceSink* NetTrace = nullptr;
