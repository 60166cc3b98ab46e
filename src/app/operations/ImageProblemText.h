#pragma once
// The words a failed programming adds when its firmware file was missing or
// damaged: which file, in the user's language, so the user knows what to put
// back into the program folder.
#include "TsSnData.h"

#include <string>

// " " and the text of "FIRMWARE_FILE_MISSING", "FIRMWARE_FILE_DAMAGED" or
// "FIRMWARE_IMAGE_MISSING" with the container's name (and the image's)
// for its "%s"; empty without a problem.
std::wstring ImageProblemText(const ImageProblem& problem);
