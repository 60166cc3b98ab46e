#pragma once
// Arrival and removal of the devices named in the links folder ("comN" ->
// device node): an inotify watch on the folder, so that a linked device (the
// simulator's pseudo-terminal among them) comes and goes like a USB one.
#include "DeviceMonitor.h"

#include <memory>
#include <string>

// A link written is an arrival, a link removed a removal. The folder is made
// when it is missing, so that a link written later is seen.
std::unique_ptr<IDeviceMonitor> CreateLinksFolderMonitor(const std::string& folder);
