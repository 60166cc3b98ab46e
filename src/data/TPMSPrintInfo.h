#pragma once
// The content of one sensor label: the head (a title, or the logo when there
// is no title), the sensor's identifier, the vehicle or the part number, and
// the date in the chosen format.
#include "PrintSettingInfo.h"

#include <memory>
#include <string>

struct _tagTPMSPrintInfo : _tagBaseDrawParam {
    static constexpr int kVehicle = 1;
    static constexpr int kPartNumber = 2;

    std::wstring title;     // drawn instead of the logo when not empty
    std::wstring logoPath;  // a BMP file
    std::wstring sensorId;  // drawn as "ID:<id>"
    std::wstring partNo;    // kind 2
    std::wstring makeModel; // kind 1: brand "-" model
    std::wstring yearText;  // kind 1
    int kind = 0;           // kVehicle or kPartNumber
    int registryNumber = 0; // the identifier's number in this run of the program; no layout draws it
    int dateFormatType = 1; // as in _tagPrintSettingInfo

    int GetType() const override { return 2; }
    std::unique_ptr<_tagBaseDrawParam> Clone() const override { return std::make_unique<_tagTPMSPrintInfo>(*this); }
};
