#include "designdocument.h"

#include "arrays.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFileInfo>

QString DesignDocument::contentKey(const QVector<Kgw::Quadruple> &quadruples, double spacingMetres)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(Kgw::electrodeListText(quadruples));
    hash.addData(QByteArray::number(spacingMetres, 'g', 17));
    return QString::fromLatin1(hash.result().toHex());
}

void DesignDocument::opened(const QString &fileName, quint64 sequence, const QString &contentKey)
{
    m_fileName = fileName;
    m_sequence = sequence;
    m_written = false;
    m_contentKey = contentKey;
}

void DesignDocument::saved(const QString &fileName, quint64 sequence, const QString &contentKey)
{
    m_fileName = fileName;
    m_sequence = sequence;
    m_written = true;
    m_contentKey = contentKey;
    m_saved.insert(sequence);
}

bool DesignDocument::holds(quint64 sequence) const
{
    return !m_fileName.isEmpty() && sequence != 0 && sequence == m_sequence;
}

QString DesignDocument::saveTarget(quint64 sequence) const
{
    return m_written && holds(sequence) ? m_fileName : QString();
}

bool DesignDocument::isModified(quint64 sequence, const QString &contentKey) const
{
    return !holds(sequence) || contentKey != m_contentKey;
}

QString DesignDocument::title(quint64 sequence) const
{
    return holds(sequence) ? QFileInfo(m_fileName).fileName()
                           : QCoreApplication::translate("DesignDocument", "untitled");
}

void DesignDocument::setGround(
    const std::shared_ptr<const Kgw::Ground> &ground, const QString &name)
{
    m_ground = ground;
    m_groundName = ground ? name : QString();
    ++m_groundId;
}
