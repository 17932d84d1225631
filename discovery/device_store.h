#pragma once

// Where a search puts the maker devices that answer. The search's receive
// thread alone calls it while the search runs; the caller reads the store
// only after the search has returned.
class DeviceStore {
public:
    virtual ~DeviceStore() = default;
    // True when ip needs nothing more: its MAC is not resolved again.
    virtual bool Known(const char* ip) const = 0;
    // One answer of a maker device: its address text and the MAC resolved for it.
    virtual void Add(const char* ip, const unsigned char (&mac)[6]) = 0;
};
