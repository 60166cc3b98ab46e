#pragma once
// "Setup.ini" in the data folder: the setup, print-setting and version
// records, and the lookups both they and CIni use. Every key of the file is
// read or written here or through CIni:
//   [Setup] CarsStyle Language IDFormat Temperature Pressure Program
//   [PrintSetting] PrinterName PaperWidth PaperHeight Orientation LogoTitle DateFormatType
//   [Config] SoftWareVersion BrelkVersion CarBinVersion BootVersion IsUpdate TestSoftUpdate
//   [config] ServerIP ServerPort
// Section and key names compare without regard to case.
#include "PrintSettingInfo.h"
#include "SetupInfo.h"

#include <string>

// The client's own software version, the default of [Config] SoftWareVersion.
inline constexpr wchar_t kSoftwareVersion[] = L"V3.12";
// Defaults of the other version keys.
inline constexpr wchar_t kDefaultBrelkVersion[] = L"V6.11";
inline constexpr wchar_t kDefaultCarBinVersion[] = L"V6.24";
inline constexpr wchar_t kDefaultBootVersion[] = L"V4.17";

// The data folder's "Setup.ini", built on first use.
const std::wstring& GetSetupIniFile();

// [section] key into `out` (emptied first), at most 259 characters from the
// profile functions, or the fallback reader's value whole. Nothing happens
// when the path is empty.
void ReadSetupString(std::wstring& out, const std::wstring& path, const wchar_t* section, const wchar_t* key);
// [section] key as a decimal integer into `value`: 0 when found (a non-number
// reads 0); 1, with `value` unchanged, when the key is found nowhere.
int ReadSetupInt(int& value, const wchar_t* section, const std::wstring& path, const wchar_t* key);
// Writes the value as "%d"; nothing when the path is empty.
void WriteSetupInt(const std::wstring& path, const wchar_t* key, const wchar_t* section, int value);

// [Setup] CarsStyle (kept when absent; outside 1..5 it loads as 1) and
// Language (empty when absent, upper-cased).
void LoadSetupInfo(const std::wstring& path, _tagSetupInfo& record);
void SaveSetupInfo(const _tagSetupInfo& record, const std::wstring& path);
// [Setup] IDFormat as read: hexadecimal for "H" in either case; a missing
// value or any other is decimal. The settings page and the operations both
// go by it, so they never disagree on a base.
bool IdFormatIsHex(const std::wstring& value);
// [PrintSetting]: absent numbers keep the record's values; paper sizes below
// 1 (or not numbers) become 1, an orientation of 0 or less becomes 1.
void LoadPrintSetting(const std::wstring& path, _tagPrintSettingInfo& record);
void SavePrintSetting(const std::wstring& path, const _tagPrintSettingInfo& record);
// The four [Config] version texts, each with its default when absent.
void LoadVersionInfo(_tagVersionInfo& record, const std::wstring& path);

// The program's own line reader: the value after the first '=' of the last
// line that begins with the key (byte for byte, in any section), up to a CR
// or LF, without its surrounding spaces and tabs. Returns the value's length (0: nothing found), or -1 when the file
// cannot be opened or holds no line. Lines are read 1023 bytes at a time.
int ReadIniKeyFallback(const wchar_t* key, const std::wstring& path, std::wstring& out);

// Wide text in code page 936 (GBK), as the daily records are written;
// characters GBK lacks become '?'. Empty for a null text.
std::string WideToGbk(const wchar_t* text);
std::string WideToGbk(const std::wstring& text);
