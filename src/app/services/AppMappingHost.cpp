#include "app/services/AppMappingHost.h"

#include "foundation/ShellServices.h"

void AppMappingHost::ShowResult(const QString &title, const QString &text, bool warning)
{
    General::Shell().ShowMessage(warning ? General::ShellServices::kWarning : General::ShellServices::kInformation,
                                 title, text);
}
