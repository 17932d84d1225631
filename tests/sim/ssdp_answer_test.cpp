#include "sim/ssdp_responder.h"

#include <gtest/gtest.h>

namespace {

std::string Search(const std::string& stLine) {
    return "M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nMAN: \"ssdp:discover\"\r\nMX: 3\r\n" + stLine +
           "\r\n\r\n";
}

}  // namespace

TEST(SsdpSearch, MatchesOnlyASearchForTheDeviceType) {
    EXPECT_TRUE(IsDeviceSearch(Search("ST: urn:schemas-upnp-org:device:nubxsvr:0")));
    EXPECT_TRUE(IsDeviceSearch(Search("st:urn:schemas-upnp-org:device:nubxsvr:0")));
    EXPECT_TRUE(IsDeviceSearch(Search("St:   urn:schemas-upnp-org:device:nubxsvr:0  ")));
    EXPECT_FALSE(IsDeviceSearch(Search("ST: ssdp:all")));
    EXPECT_FALSE(IsDeviceSearch(Search("ST: urn:schemas-upnp-org:device:nubxsvr:1")));
    EXPECT_FALSE(IsDeviceSearch(Search("X-ST: urn:schemas-upnp-org:device:nubxsvr:0")));
    EXPECT_FALSE(IsDeviceSearch("NOTIFY * HTTP/1.1\r\nST: urn:schemas-upnp-org:device:nubxsvr:0\r\n\r\n"));
}

TEST(SsdpAnswer, CarriesTheAddressTypeAndAStableUuid) {
    const std::string a = SearchAnswer("10.77.0.10");
    EXPECT_EQ(a.rfind("HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=1800\r\nEXT:\r\n", 0), 0u);
    EXPECT_NE(a.find("\r\nLOCATION: http://10.77.0.10:80/desc.xml\r\n"), std::string::npos);
    EXPECT_NE(a.find("\r\nST: urn:schemas-upnp-org:device:nubxsvr:0\r\n"), std::string::npos);
    const std::string usn =
        "\r\nUSN: uuid:" + DeviceUuid("10.77.0.10") + "::urn:schemas-upnp-org:device:nubxsvr:0\r\n\r\n";
    EXPECT_EQ(a.substr(a.size() - usn.size()), usn);
    EXPECT_NE(DeviceUuid("10.77.0.10"), DeviceUuid("10.77.0.11"));
}
