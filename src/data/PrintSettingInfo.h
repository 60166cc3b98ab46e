#pragma once
// The print settings record: the label printer, paper and label options kept
// in the settings file's [PrintSetting] section.
#include <memory>
#include <string>

// Base of the records the label drawer takes.
struct _tagBaseDrawParam {
    virtual ~_tagBaseDrawParam() = default;
    virtual int GetType() const = 0;
    virtual std::unique_ptr<_tagBaseDrawParam> Clone() const = 0;
};

struct _tagPrintSettingInfo : _tagBaseDrawParam {
    std::wstring printerName;
    std::wstring logoTitle;
    float paperWidth = 40.0f;  // millimetres
    float paperHeight = 31.0f; // millimetres
    int orientation = 1;
    int dateFormatType = 1; // 0 month.day.year, 1 day.month.year, 2 year.month.day
    int reserved = 0;       // neither stored nor used

    int GetType() const override { return 1; }
    std::unique_ptr<_tagBaseDrawParam> Clone() const override { return std::make_unique<_tagPrintSettingInfo>(*this); }
};
