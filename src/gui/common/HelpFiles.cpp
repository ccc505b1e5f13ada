#include "gui/common/HelpFiles.h"

#include "foundation/ShippedFiles.h"

namespace GUI {

QString HelpFile(const QString &relative) { return General::ShippedFile(QStringLiteral("help/") + relative); }

}  // namespace GUI
