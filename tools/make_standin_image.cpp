// Writes the stand-in firmware image that the updater carries until the maker's
// image is available. The output is deterministic: the same bytes on every run.
//
// Shape: an S0 header with an 11-byte module name, S2 data records in ascending
// address order with the version record at 0x20200, and an S8 end record.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Writer {
    std::string text;
    uint32_t rng = 0x530A11CEu;

    uint8_t NextByte() {
        rng ^= rng << 13;
        rng ^= rng >> 17;
        rng ^= rng << 5;
        return static_cast<uint8_t>(rng >> 24);
    }

    // type '0' and '8' carry 16- and 24-bit addresses here; '2' a 24-bit one.
    void Record(char type, uint32_t address, const std::vector<uint8_t>& data) {
        const int addressBytes = (type == '0') ? 2 : 3;
        std::vector<uint8_t> body;
        body.push_back(static_cast<uint8_t>(addressBytes + data.size() + 1));
        for (int i = addressBytes - 1; i >= 0; --i) body.push_back(static_cast<uint8_t>(address >> (8 * i)));
        body.insert(body.end(), data.begin(), data.end());
        unsigned sum = 0;
        for (uint8_t b : body) sum += b;
        body.push_back(static_cast<uint8_t>(~sum));
        text += 'S';
        text += type;
        char hex[3];
        for (uint8_t b : body) {
            std::snprintf(hex, sizeof hex, "%02X", b);
            text += hex;
        }
        text += "\r\n";
    }

    // Data records covering [start, start + length) with the given record sizes;
    // sizes not listed are 16.
    void DataRange(uint32_t start, uint32_t length, const std::vector<std::pair<uint32_t, uint32_t>>& shortRecords,
                   std::vector<uint8_t> firstBytes = {}) {
        uint32_t address = start;
        uint32_t index = 0;
        while (address < start + length) {
            uint32_t size = 16;
            for (const auto& s : shortRecords)
                if (s.first == index) size = s.second;
            std::vector<uint8_t> data;
            for (uint32_t i = 0; i < size; ++i) {
                uint32_t offset = address - start + i;
                data.push_back(offset < firstBytes.size() ? firstBytes[offset] : NextByte());
            }
            Record('2', address, data);
            address += size;
            ++index;
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Another version makes a stand-in of the same shape for tests.
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.mot [VERSION]\n", argv[0]);
        return 2;
    }
    Writer w;
    const std::string module = "TQM530R.MOT";
    w.Record('0', 0x0000, std::vector<uint8_t>(module.begin(), module.end()));
    w.DataRange(0x20000, 8, {{0, 8}});
    const std::string version = std::string("ver.") + (argc == 3 ? argv[2] : "1.0.05");
    std::vector<uint8_t> versionData(version.begin(), version.end());
    versionData.push_back(0);
    w.Record('2', 0x20200, versionData);
    // 570 bytes: 35 full records and a last one of 10; the code starts B0 0B.
    w.DataRange(0x20400, 570, {{35, 10}}, {0xB0, 0x0B});
    // 182,688 bytes with four short records spread through the range.
    w.DataRange(0x2063C, 182688, {{1200, 8}, {4800, 8}, {9000, 4}, {11419, 12}});
    w.Record('8', 0x20488, {});

    FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    bool ok = std::fwrite(w.text.data(), 1, w.text.size(), out) == w.text.size();
    ok = (std::fclose(out) == 0) && ok;
    if (!ok) {
        std::fprintf(stderr, "%s: write failed\n", argv[1]);
        return 1;
    }
    return 0;
}
