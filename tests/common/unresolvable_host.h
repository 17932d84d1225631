#pragma once

// A host name that does not resolve and that no resolver sends anywhere: its
// first label is 64 octets, one over what a DNS query can carry, so the lookup
// fails on this machine. (A name under ".invalid" alone is still asked of the
// configured name server.)
inline constexpr char kUnresolvableHost[] = "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx.invalid";
static_assert(sizeof kUnresolvableHost - sizeof ".invalid" == 64);
