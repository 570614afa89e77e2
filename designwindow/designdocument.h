#ifndef DESIGNDOCUMENT_H
#define DESIGNDOCUMENT_H

#include "ground.h"
#include "quadruple.h"

#include <QSet>
#include <QString>
#include <QVector>

#include <memory>

// What is saved where: the file the window last saved the list on show to or opened it from,
// which of the sequences made that file holds, whether its content changed since, and what Save
// may write over. A sequence made anew (other arrays, another design) is another list, and an
// opened list is the crew's own: Save asks for a name for either, so that no list is ever
// written over another.
class DesignDocument
{
public:
    // The same list at the same spacing gives the same key: a field list ordered anew, or one at
    // another spacing, gives another.
    static QString contentKey(const QVector<Kgw::Quadruple> &quadruples, double spacingMetres);

    void opened(const QString &fileName, quint64 sequence, const QString &contentKey);
    void saved(const QString &fileName, quint64 sequence, const QString &contentKey);

    QString fileName() const { return m_fileName; }
    // Whether the file holds that sequence, as made or opened.
    bool holds(quint64 sequence) const;
    // The file Save writes over for the sequence on show; empty when Save must ask for a name.
    QString saveTarget(quint64 sequence) const;
    // Whether the list on show, of that sequence and content, differs from what the file holds.
    bool isModified(quint64 sequence, const QString &contentKey) const;
    // The file's name without its folder, or "untitled" for a list no file holds.
    QString title(quint64 sequence) const;
    // Whether that sequence was ever saved, wherever.
    bool wasSaved(quint64 sequence) const { return m_saved.contains(sequence); }

    // The ground the list is seen over, loaded or drawn, kept whichever view is on show; none for
    // the uniform ground. Every ground set is another: its id is new.
    void setGround(const std::shared_ptr<const Kgw::Ground> &ground, const QString &name);
    std::shared_ptr<const Kgw::Ground> ground() const { return m_ground; }
    QString groundName() const { return m_groundName; }
    quint64 groundId() const { return m_groundId; }

private:
    std::shared_ptr<const Kgw::Ground> m_ground;
    QString m_groundName;
    quint64 m_groundId = 0;
    QString m_fileName;
    quint64 m_sequence = 0;
    bool m_written = false; // saved there, rather than opened
    QString m_contentKey;
    QSet<quint64> m_saved;
};

#endif
