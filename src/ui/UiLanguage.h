#pragma once
// Qt's own texts in the program's language: the standard buttons of the
// message boxes (Yes, No, OK, Cancel) and the texts of Qt's dialogs (the
// printer dialog), from the Qt translations the system has installed.
#include <string>

// Loads Qt's translation for the settings' language code ("EN", "DE"; a few
// country codes such as "CN" or "JP" name their language) in place of the
// one loaded before. True when one is loaded; a language Qt has no
// translation for (or whose translation is not installed) leaves Qt's own
// English. Any thread; the boxes and dialogs made afterwards show it.
bool SetUiLanguage(const std::wstring& code);
// The Qt locale name of a settings' language code: "de" for "DE", "zh_CN"
// for "CN"; empty for an empty code.
std::string QtLocaleNameOf(const std::wstring& code);
