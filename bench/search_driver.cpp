// bench_search WAIT_MS SENDS: one device search on this namespace's
// interfaces with the request sent SENDS times (1: once, as the dialog does;
// otherwise the command line's times, cut to SENDS). Prints how many maker
// devices answered.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "discovery/device_list.h"
#include "discovery/search_devices.h"
#include "discovery/search_schedule.h"
#include "net/datagram.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_search WAIT_MS SENDS\n");
        return 2;
    }
    const int waitMs = std::atoi(argv[1]);
    std::vector<int> times = RepeatedSendTimes(waitMs);
    const size_t sends = static_cast<size_t>(std::atoi(argv[2]));
    if (sends >= 1 && sends < times.size()) times.resize(sends);
    std::vector<uint32_t> interfaces;
    DeviceList list;
    if (!NetSearchInterfaces(nullptr, interfaces) || !SearchDevicesRepeated(list, waitMs, interfaces, times)) {
        std::fprintf(stderr, "bench_search: the search could not be set up\n");
        return 3;
    }
    std::printf("%zu\n", list.Devices().size());
    return 0;
}
