// The test programs' entry on Windows: the console tests open sockets, and a
// Windows program starts Winsock before its first socket.
#include <winsock2.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 2;
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    WSACleanup();
    return result;
}
