// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace tandrel {

// Where the prompts file lives: "Tandrel/prompts.json" in the user's data folder
// ($XDG_DATA_HOME, normally ~/.local/share).
QString promptsFilePath();

} // namespace tandrel
