#pragma once
// The Print button of the sensor operation pages: one label per identifier of
// the last result that the Brelk confirmed, with the selected vehicle or part
// number, on the printer and paper of the print settings. Whatever stops a
// label from coming out is told to the user in a message box.
#include "LabelSource.h"
#include "PrintSettingInfo.h"

#include <string>

class CBasePage;
class CBrand;
class CModel;
class CPartNo;
class CYear;
class Wnd;
struct OperationResult;

// Fixed texts of the program.
inline constexpr wchar_t kIdEmptyTestText[] = L"Error:\nSensor ID is NULL. Please press [Test] get sensor ID.";
inline constexpr wchar_t kIdEmptyCreateText[] = L"Error:\nSensor ID is NULL. Please press [Generate ID] get sensor ID.";
inline constexpr wchar_t kPrintInfoErrorText[] = L"Error:Print info error.";

// The main dialog's selection as the labels name it: selectionKind 0 a vehicle
// (brand, model and year records), 1 a part number.
LabelSelection MakeLabelSelection(int selectionKind, const CBrand* brand, const CModel* model, const CYear* year,
                                  const CPartNo* partNo);

// What the page shows as its sensor's identifier: the test page in its results
// pane, the copy and create pages in their identifier edit; empty on any other page.
std::wstring ShownIdText(CBasePage* page);
// The identifiers of the last operation that succeeded, with its page's type;
// nothing when there was none.
std::optional<SensorResultIds> ConfirmedIds(const OperationResult& result);

// Prints the labels; the number printed. The logo is the program folder's
// "pic/car/VornixLogo.bmp"; message boxes go on owner.
int PrintSensorLabels(Wnd* owner, const _tagPrintSettingInfo& settings, const LabelSource& source,
                      const std::wstring& programFolder);
