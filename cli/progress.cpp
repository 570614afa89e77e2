#include "progress.h"

#include "console.h"

#include "surveymodel.h"

#include <QDateTime>

namespace Cli {

Progress::Progress(Console &console, const QString &what)
    : m_console(console)
    , m_what(what)
    , m_started(QDateTime::currentMSecsSinceEpoch())
{ }

Progress::~Progress()
{
    if (m_shown >= 0)
        m_console.progress(QString());
}

Kgw::ProgressFunction Progress::function(double from, double to)
{
    if (!m_console.errorIsTerminal())
        return Kgw::ProgressFunction();
    return Kgw::progressRange(
        [this](double share) {
            const int percent = int(100 * share);
            if (percent == m_shown || QDateTime::currentMSecsSinceEpoch() - m_started < 1000)
                return;
            m_shown = percent;
            m_console.progress(QStringLiteral("%1: %2%").arg(m_what).arg(percent));
        },
        from, to);
}

} // namespace Cli
