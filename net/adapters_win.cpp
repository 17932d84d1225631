#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <ws2tcpip.h>

#include <cstring>
#include <functional>
#include <string>

#include "net/adapters.h"
#include "net/datagram.h"

namespace {

using AdapterVisit = std::function<void(const IP_ADAPTER_ADDRESSES& adapter)>;

bool ForEachAdapter(const AdapterVisit& visit) {
    std::vector<unsigned char> buffer(16384);
    const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    for (int tries = 0; tries < 4; ++tries) {
        ULONG size = static_cast<ULONG>(buffer.size());
        auto* first = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
        const ULONG result = GetAdaptersAddresses(AF_INET, flags, nullptr, first, &size);
        if (result == ERROR_BUFFER_OVERFLOW) {
            buffer.resize(size);
            continue;
        }
        if (result != NO_ERROR) return false;
        for (const IP_ADAPTER_ADDRESSES* a = first; a; a = a->Next) visit(*a);
        return true;
    }
    return false;
}

std::vector<uint32_t> Ipv4Addresses(const IP_ADAPTER_ADDRESSES& a) {
    std::vector<uint32_t> addresses;
    for (const IP_ADAPTER_UNICAST_ADDRESS* u = a.FirstUnicastAddress; u; u = u->Next) {
        if (u->Address.lpSockaddr->sa_family != AF_INET) continue;
        addresses.push_back(reinterpret_cast<const sockaddr_in*>(u->Address.lpSockaddr)->sin_addr.s_addr);
    }
    return addresses;
}

std::string Utf8(const wchar_t* text) {
    if (!text) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], n, nullptr, nullptr);
    return utf8;
}

bool Named(const IP_ADAPTER_ADDRESSES& a, const char* adapter) {
    if (std::strcmp(a.AdapterName, adapter) == 0 || Utf8(a.FriendlyName) == adapter) return true;
    for (uint32_t address : Ipv4Addresses(a)) {
        char text[16];
        NetAddressText(address, text);
        if (std::strcmp(text, adapter) == 0) return true;
    }
    return false;
}

bool SearchesByDefault(const IP_ADAPTER_ADDRESSES& a) {
    return a.OperStatus == IfOperStatusUp && a.IfType != IF_TYPE_SOFTWARE_LOOPBACK &&
           !(a.Flags & IP_ADAPTER_NO_MULTICAST);
}

}  // namespace

bool NetAdapterKnown(const char* adapter) {
    bool known = false;
    ForEachAdapter([&](const IP_ADAPTER_ADDRESSES& a) { known = known || Named(a, adapter); });
    return known;
}

bool NetAdapterAddresses(const char* adapter, std::vector<uint32_t>& addresses) {
    addresses.clear();
    ForEachAdapter([&](const IP_ADAPTER_ADDRESSES& a) {
        if (adapter ? !Named(a, adapter) : !SearchesByDefault(a)) return;
        for (uint32_t address : Ipv4Addresses(a)) addresses.push_back(address);
    });
    return !addresses.empty();
}

bool NetHostAddresses(std::vector<uint32_t>& addresses) {
    addresses.clear();
    return ForEachAdapter([&](const IP_ADAPTER_ADDRESSES& a) {
        for (uint32_t address : Ipv4Addresses(a)) addresses.push_back(address);
    });
}
