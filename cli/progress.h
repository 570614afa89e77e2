#ifndef KGW_CLI_PROGRESS_H
#define KGW_CLI_PROGRESS_H

#include "sensitivity.h"

#include <QString>

namespace Cli {

class Console;

// Shows how far long work has got on standard error, when that is a terminal and the work has
// taken more than a second; clears the line when destroyed.
class Progress
{
public:
    Progress(Console &console, const QString &what);
    ~Progress();
    // Reports the work of a part, from..to of the whole.
    Kgw::ProgressFunction function(double from = 0, double to = 1);

private:
    Console &m_console;
    QString m_what;
    qint64 m_started = 0;
    int m_shown = -1;
};

} // namespace Cli

#endif
