#include "DeviceMap.h"

#include "Paths.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <libudev.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <strings.h>
#include <sys/stat.h>

namespace {

std::mutex g_sourceMutex;
DeviceMap::Source g_source;

std::string RealPath(const std::string& path)
{
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf))
        return buf;
    return {};
}

bool IsCharDevice(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// "comN" (any case) with N from 1 to 255 -> N, else 0.
int LinkNumber(const char* name)
{
    if (strncasecmp(name, "com", 3) != 0 || !name[3])
        return 0;
    int n = 0;
    for (const char* p = name + 3; *p; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p)) || n > 255)
            return 0;
        n = n * 10 + (*p - '0');
    }
    return (n >= 1 && n <= 255) ? n : 0;
}

struct UdevTty {
    std::string node;
    bool acm;
};

// Natural order of device names: ttyACM2 before ttyACM10.
bool NaturalLess(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
            size_t ie = i, je = j;
            while (ie < a.size() && std::isdigit(static_cast<unsigned char>(a[ie])))
                ++ie;
            while (je < b.size() && std::isdigit(static_cast<unsigned char>(b[je])))
                ++je;
            long na = std::strtol(a.substr(i, ie - i).c_str(), nullptr, 10);
            long nb = std::strtol(b.substr(j, je - j).c_str(), nullptr, 10);
            if (na != nb)
                return na < nb;
            i = ie;
            j = je;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

std::vector<UdevTty> UdevUsbTtys()
{
    std::vector<UdevTty> out;
    std::unique_ptr<udev, decltype(&udev_unref)> u(udev_new(), udev_unref);
    if (!u)
        return out;
    std::unique_ptr<udev_enumerate, decltype(&udev_enumerate_unref)> e(udev_enumerate_new(u.get()),
                                                                       udev_enumerate_unref);
    if (!e)
        return out;
    udev_enumerate_add_match_subsystem(e.get(), "tty");
    udev_enumerate_scan_devices(e.get());
    for (udev_list_entry* it = udev_enumerate_get_list_entry(e.get()); it; it = udev_list_entry_get_next(it)) {
        const char* syspath = udev_list_entry_get_name(it);
        std::unique_ptr<udev_device, decltype(&udev_device_unref)> dev(udev_device_new_from_syspath(u.get(), syspath),
                                                                       udev_device_unref);
        if (!dev)
            continue;
        // The parent is owned by the child; no unref.
        if (!udev_device_get_parent_with_subsystem_devtype(dev.get(), "usb", "usb_device"))
            continue;
        const char* node = udev_device_get_devnode(dev.get());
        if (!node)
            continue;
        std::string n = node;
        out.push_back({n, n.find("ttyACM") != std::string::npos});
    }
    std::stable_sort(out.begin(), out.end(), [](const UdevTty& a, const UdevTty& b) {
        if (a.acm != b.acm)
            return a.acm;
        return NaturalLess(a.node, b.node);
    });
    return out;
}

} // namespace

std::string DeviceMap::LinksFolder()
{
    const char* v = std::getenv("BRELK_PORTS_DIR");
    if (v && *v)
        return NormalizeSeparators(v);
    return JoinPath(GetDataFolderPath(), "ports");
}

std::vector<DeviceMapEntry> DeviceMap::ReadSystem()
{
    // Links: COM number -> device, and the real path of each target.
    std::map<int, std::string> links;
    std::map<std::string, int> linkedReal;
    if (DIR* d = opendir(LinksFolder().c_str())) {
        while (dirent* ent = readdir(d)) {
            int n = LinkNumber(ent->d_name);
            if (!n)
                continue;
            std::string path = JoinPath(LinksFolder(), ent->d_name);
            std::string real = RealPath(path);
            if (real.empty() || !IsCharDevice(real))
                continue;
            if (links.count(n))
                continue;
            links[n] = path;
            linkedReal.emplace(real, n);
        }
        closedir(d);
    }

    std::vector<std::pair<int, std::string>> ordered;
    std::set<int> used;
    for (auto& [n, path] : links)
        used.insert(n);
    std::set<int> placed;
    int next = 3;
    for (const UdevTty& tty : UdevUsbTtys()) {
        std::string real = RealPath(tty.node);
        auto it = linkedReal.find(real);
        if (it != linkedReal.end()) {
            if (placed.insert(it->second).second)
                ordered.emplace_back(it->second, links[it->second]);
            continue;
        }
        while (used.count(next))
            ++next;
        if (next > 255)
            break;
        used.insert(next);
        ordered.emplace_back(next, tty.node);
    }
    for (auto& [n, path] : links)
        if (!placed.count(n))
            ordered.emplace_back(n, path);

    std::vector<DeviceMapEntry> out;
    for (size_t i = 0; i < ordered.size() && i < 200; ++i) {
        char value[32];
        std::snprintf(value, sizeof value, "\\Device\\USBSER%03zu", i);
        out.push_back({value, "COM" + std::to_string(ordered[i].first), ordered[i].second});
    }
    return out;
}

std::optional<std::vector<DeviceMapEntry>> DeviceMap::Read()
{
    Source source;
    {
        std::lock_guard<std::mutex> lock(g_sourceMutex);
        source = g_source;
    }
    if (source)
        return source();
    return ReadSystem();
}

std::string DeviceMap::DevicePathOf(int comNumber)
{
    auto map = Read();
    if (!map)
        return {};
    const std::string name = "COM" + std::to_string(comNumber);
    for (const DeviceMapEntry& e : *map)
        if (strcasecmp(e.portName.c_str(), name.c_str()) == 0)
            return e.devicePath;
    return {};
}

void DeviceMap::SetSource(Source source)
{
    std::lock_guard<std::mutex> lock(g_sourceMutex);
    g_source = std::move(source);
}
