#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// The inventory: the devices an operator knows, by MAC, with their names, in
// a CSV file as a spreadsheet saves it (RFC 4180: a header row, quoted fields
// with "" inside, CR LF or LF, UTF-8 with or without a byte order mark).
// The columns "name" and "mac" are required, in any order; any others are
// kept in their order. Read without touching the network.

struct InventoryDevice {
    std::string name;
    std::string mac;  // "02-4c-1a-03-00-45", as the search gives it
    std::vector<std::pair<std::string, std::string>> columns;  // the others, as the header names them
    size_t line = 0;                                           // where its row starts, 1-based
};

struct Inventory {
    std::vector<InventoryDevice> devices;  // in the file's order

    // The device listed with mac (as the search gives it); nullptr when none.
    const InventoryDevice* WithMac(const std::string& mac) const;
};

// A MAC in one of the usual spellings ("02:4c:1a:03:00:45",
// "02-4C-1A-03-00-45", "024c1a030045") as the search writes it
// ("02-4c-1a-03-00-45"). False when it is none of them.
bool NormalizedMac(const std::string& text, std::string& mac);

// The file's bytes into inventory. False at the first fault, told in one
// line that starts with its line number ("line 4: the MAC 02-4c-1a-03-00-45
// is listed twice (line 2)").
bool ParseInventory(const std::string& bytes, Inventory& inventory, std::string& error);

// The file at path, read and parsed. False with one line when it cannot be
// read or does not parse.
bool LoadInventory(const std::string& path, Inventory& inventory, std::string& error);
