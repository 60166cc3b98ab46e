#pragma once
// The last operation that ended in success: the identifiers it showed, with
// the base their texts were formatted in, for a label to name.
#include <cstdint>
#include <string>
#include <vector>

struct OperationResult {
    struct Sensor {
        uint32_t id = 0;
        std::wstring idText;
        std::wstring psn;
    };
    int pageId = 0;
    bool hex = false;
    std::vector<Sensor> sensors;
    bool IsEmpty() const { return sensors.empty(); }
};
