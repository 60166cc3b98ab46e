#pragma once
// Host names to IPv4 addresses for the update server connection. A look-up
// never holds its caller longer than the time it is given or past a stop: the
// resolver runs on a helper thread of its own that may finish later.
#include <atomic>
#include <cstdint>
#include <string>

// The first IPv4 address of the name as dotted text into `out`; 1 when found,
// 0 when not (or not within timeoutMs on the program clock, or stopped).
int GetHostIp(const char* name, std::string& out, uint32_t timeoutMs, const std::atomic<int>& stop);

// Leaves a dotted IPv4 address as it stands and replaces a name by its first
// address; false, with the host unchanged, when the name does not resolve.
bool ResolveHostToIp(std::string& host, uint32_t timeoutMs, const std::atomic<int>& stop);
