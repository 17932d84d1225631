#pragma once

#include <atomic>
#include <string>
#include <string_view>

// The device type the updater searches for.
extern const char* const kSearchTarget;

// Whether a datagram is a search for this device: an M-SEARCH request with an
// ST header (name in any case) naming the device type.
bool IsDeviceSearch(std::string_view datagram);

// The unique device name of the simulator answering from ip.
std::string DeviceUuid(const std::string& ip);

// The answer to a search, sent from ip.
std::string SearchAnswer(const std::string& ip);

// Answers searches on UDP port 1900 in the SSDP group, each with one datagram
// to the searcher's address at port 1900.
class SsdpResponder {
public:
    SsdpResponder() = default;
    SsdpResponder(const SsdpResponder&) = delete;
    SsdpResponder& operator=(const SsdpResponder&) = delete;
    ~SsdpResponder();

    // Binds port 1900 and joins the group on the interface of bindAddress.
    bool Open(const std::string& bindAddress, std::string& error);
    // Answers until stop is set; looks at stop at least every 200 ms.
    void Run(const std::atomic<bool>& stop);
    // From now on searches are read and not answered (the device died).
    void Mute() { muted_ = true; }

private:
    void AnswerOne();
    std::string LocalAddressTowards(const struct sockaddr_in& peer) const;

    int fd_ = -1;
    std::string bind_;
    std::atomic<bool> muted_{false};
};
