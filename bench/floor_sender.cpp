// The floor: the least a sender can do against a stop-and-wait device. Logs
// in, then sends each image line and waits for one reply, nothing else; then
// "check" until "sum  :". Timed from the first line to "sum  :".
//   bench_floor HOST PORT
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/bench_clock.h"
#include "firmware/firmware_image.h"

namespace {
int fd = -1;
char reply[8192];

int Receive() { return static_cast<int>(::recv(fd, reply, sizeof reply, 0)); }
void Send(const char* data, size_t n) { ::send(fd, data, n, MSG_NOSIGNAL); }
// Receives until text has arrived, joined across receives: the floor is not bound by the console rules.
bool ReceiveUntil(const char* text) {
    std::string seen;
    for (int n; seen.find(text) == std::string::npos;) {
        if ((n = Receive()) <= 0) return false;
        seen.append(reply, static_cast<size_t>(n));
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    FirmwareImageView image;
    if (argc != 3 || !LoadFirmwareImage(nullptr, image)) return 2;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(std::atoi(argv[2])));
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (inet_pton(AF_INET, argv[1], &to.sin_addr) != 1 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0)
        return 1;
    if (!ReceiveUntil("login: ")) return 1;
    Send("\r\n", 2);
    if (!ReceiveUntil("Password: ")) return 1;
    Send("\r\necho 0\r\ninitbuf\r\n", 19);

    const char* line = image.text;
    const char* end = line + image.size;
    unsigned lines = 0;
    const BenchMark start = BenchMark::Now();
    while (line < end) {
        const char* lf = static_cast<const char*>(std::memchr(line, '\n', static_cast<size_t>(end - line)));
        const char* next = lf ? lf + 1 : end;
        Send(line, static_cast<size_t>(next - line));
        ++lines;
        line = next;
        if (line < end && Receive() <= 0) return 1;
    }
    Send("check\r\n", 7);
    if (!ReceiveUntil("sum  :")) return 1;
    const BenchMark stop = BenchMark::Now();
    Send("bye\r\n", 5);
    ::close(fd);
    PrintBenchLine(lines, start, stop, std::chrono::duration<double>(stop.wall - start.wall).count());
    return 0;
}
