#pragma once

#include <string>

// The name of the machine a run is made from, for its report; empty when the
// system does not tell it. One implementation per platform (host_name_posix.cpp:
// gethostname; host_name_win.cpp: the DNS host name, UTF-8).
std::string ThisHostName();
