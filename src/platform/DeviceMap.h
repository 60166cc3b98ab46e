#pragma once
// The serial-port device map: the ordered list of USB serial ports, with value
// names "\Device\USBSER%03d" whose data is the port's name "COM%d".
//
// Real devices come from udev: USB CDC-ACM ttys first, then other USB ttys.
// A links folder (entries "comN" -> device node, as Wine names its ports) lets a
// user or a test name any device, a pseudo-terminal included, as COM n; linked
// devices that udev does not list come last. A udev device without a link takes
// the lowest free number from 3 up.
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct DeviceMapEntry {
    std::string valueName;  // "\Device\USBSER000", ...
    std::string portName;   // "COM3", ...
    std::string devicePath; // "/dev/ttyACM0", ...
};

class DeviceMap {
public:
    // The current map in order; nullopt when there is no map at all.
    static std::optional<std::vector<DeviceMapEntry>> Read();
    // The device node of COM n, or "" when no entry names it.
    static std::string DevicePathOf(int comNumber);
    // The links folder: BRELK_PORTS_DIR, else the data folder's "ports".
    static std::string LinksFolder();

    // Tests replace the source of the map; an empty function restores the real one.
    using Source = std::function<std::optional<std::vector<DeviceMapEntry>>()>;
    static void SetSource(Source source);

    // The real map, built from udev and the links folder.
    static std::vector<DeviceMapEntry> ReadSystem();
};
