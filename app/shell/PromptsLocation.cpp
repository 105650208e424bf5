// SPDX-License-Identifier: MIT
#include "app/shell/PromptsLocation.h"

#include <QStandardPaths>

namespace tandrel {

QString promptsFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Tandrel/prompts.json");
}

} // namespace tandrel
