#ifndef KGW_OPTIONVALUES_H
#define KGW_OPTIONVALUES_H

#include "options.h"

#include <QHash>
#include <QString>

#include <optional>

class QSettings;

namespace Kgw {

// The settings the window keeps, each option's text as the crew typed it in its box, so that
// nothing is lost by writing a value back another way: "0,0000000001" stays what it was. An
// option nobody set has its default's text.
class OptionValues
{
public:
    QString text(const Option &option) const;
    void setText(const Option &option, const QString &text);
    // Back to the default.
    void reset(const Option &option) { m_texts.remove(&option); }
    // Whether the crew gave it, rather than left it at its default.
    bool isGiven(const Option &option) const { return m_texts.contains(&option); }

    // Empty when the text is one the option takes, else what the box should say.
    QString refusal(const Option &option) const;

    // The values the texts give. A text the option refuses gives the default, so read them once
    // no refusal is left.
    double number(const Option &option) const;
    int whole(const Option &option) const { return int(number(option)); }
    // Nothing for an empty text that means none.
    std::optional<double> optionalNumber(const Option &option) const;
    std::optional<bool> flag(const Option &option) const;
    ElectrodeSet electrodes(const Option &option) const;
    std::optional<TargetRegion> region(const Option &option) const;
    QVector<ArrayKind> arrays(const Option &option) const;

    // Every option the window keeps, under its key; one not given is left out, so that it
    // follows its default.
    void save(QSettings *store) const;
    // Each text stored that its option takes; anything else, a value from a newer or a broken
    // store, leaves the default.
    void load(QSettings *store);

    bool operator==(const OptionValues &other) const { return m_texts == other.m_texts; }
    bool operator!=(const OptionValues &other) const { return !(*this == other); }

private:
    QHash<const Option *, QString> m_texts;
};

} // namespace Kgw

#endif
