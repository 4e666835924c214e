#pragma once
// The export settings looked at when a definition export starts, before a
// connection or a catalog read: a hand-edited position that no dialog could
// have chosen, or a model workbook that cannot serve, would otherwise fail
// only after the whole catalog was read, far from its cause.
#include <string>

#include "common/Common.h"

namespace zel {

// Empty when the settings file's [ExcelSet] can serve a definition export;
// otherwise the message for the user: the first exported item whose stored
// row or column is not one of the dialog's choices (its key and value
// named), or the model workbook's problem. Positions and model count only
// with the own workbook chosen.
std::string DefinitionSettingsProblem(const TdCommon& common);

}  // namespace zel
